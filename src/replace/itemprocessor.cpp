// SPDX-License-Identifier: MIT
#include "itemprocessor.h"

#include "fieldflags.h"
#include "regexcontrol.h"
#include "rtfruns.h"
#include "runlogs.h"
#include "safeitem.h"
#include "settingskeys.h"
#include "systemtexts.h"
#include "undolog.h"

#include <unordered_map>
#include <vector>

namespace {

// "'Arjun Mehta', step 520 (Start)": the item an error line ended, by the
// name its opening line read, and the step with its field.
QString whereFailed(const QString &name, int step)
{
    QString where = QStringLiteral("'%1', step %2").arg(name).arg(step);
    for (const FieldTable::Field &field : FieldTable::Fields)
        if (field.step == step)
            where += QStringLiteral(" (") + QLatin1String(field.caption) + u')';
    return where;
}

// A step's flag key and property as QStrings.
struct StepNames
{
    const char *flagKeyText;
    const char *propertyText;
    QString flagKey;
    QString property;
};

// The names of a step table, made once: a run asks for each of them for
// every item. Tables are found by address; the check keeps a table that
// reuses an address right.
const std::vector<StepNames> &stepNames(std::span<const FieldStep> steps)
{
    static std::unordered_map<const FieldStep *, std::vector<StepNames>> made;
    std::vector<StepNames> &names = made[steps.data()];
    bool same = names.size() == steps.size();
    for (size_t i = 0; same && i < steps.size(); ++i)
        same = names[i].flagKeyText == steps[i].flagKey && names[i].propertyText == steps[i].property;
    if (!same) {
        names.clear();
        for (const FieldStep &step : steps)
            names.push_back({step.flagKey, step.property, QLatin1String(step.flagKey),
                             QLatin1String(step.property)});
    }
    return names;
}

class ItemRun
{
public:
    ItemRun(RunLogs &logs, const FieldFlags &flags, RegexControl &regex, const ItemInputs &in, int &step)
        : m_logs(logs), m_flags(flags), m_regex(regex), m_in(in), m_step(step) {}

    bool changed = false;

    void run(const FieldStep &s, const QString &property)
    {
        switch (s.kind) {
        case StepKind::Plain:
            plain(s, property, false);
            break;
        case StepKind::Email:
            plain(s, property, true);
            break;
        case StepKind::Phone:
            if (m_flags.specialInstructions == QLatin1String(Keys::SpecialAreaCodes))
                areaCode(s, property);
            else
                plain(s, property, false);
            break;
        case StepKind::Body:
            body(s, property);
            break;
        }
    }

private:
    bool matches(const QString &text)
    {
        m_regex.setText(text);
        m_regex.setPattern(m_in.searchText);
        return m_regex.matchCount() > 0;
    }

    // The undo record goes first so no change is ever without its old value.
    // It names the field by the step's property; a rich body's goes under Body.
    void undo(const FieldStep &s, const QString &oldValue)
    {
        UndoLog(m_logs).UndoSave(m_in.folderStoreId, m_in.folderEntryId, m_in.wrapper.EntryID(),
                                 QLatin1String(s.property), oldValue);
    }

    void plain(const FieldStep &s, const QString &property, bool email)
    {
        const auto mark = [&](int subStep) {
            if (email)
                m_step = subStep;
        };
        mark(EmailSubStep::Read);
        const QString old = m_in.wrapper.read(property);
        mark(EmailSubStep::SetText);
        m_regex.setText(old);
        mark(EmailSubStep::Search);
        m_regex.setPattern(m_in.searchText);
        if (m_regex.matchCount() <= 0)
            return;
        // Every match goes, for an empty replacement too: the user confirmed
        // replacing all occurrences. The new text comes before the undo
        // record, so a replacement that fails leaves no record of a change
        // that never happens.
        mark(EmailSubStep::Replace);
        m_regex.setReplacement(m_in.replacement);
        const QString rewritten = m_regex.text();
        mark(EmailSubStep::Undo);
        undo(s, old);
        // Writing what an empty replacement left still counts as the cut.
        mark(m_in.replacement.isEmpty() ? EmailSubStep::Replace : EmailSubStep::WriteAndLog);
        m_in.wrapper.write(property, rewritten);
        if (email)
            m_logs.activity(QLatin1String(Texts::EmailUpdateName), Texts::emailUpdated(m_in.wrapper.read(property)), 0);
        changed = true;
    }

    // Only the first "(...)" of the number is searched and rewritten. A number
    // without one, or whose first ")" comes before its first "(", has no area
    // code: the step ends there and the item's other fields go on.
    void areaCode(const FieldStep &s, const QString &property)
    {
        const QString old = m_in.wrapper.read(property);
        const qsizetype open = old.indexOf(u'(');
        const qsizetype close = old.indexOf(u')');
        if (open < 0 || close < 0 || close < open)
            return;
        const QString area = old.mid(open, close - open + 1);
        if (!matches(area))
            return;
        m_regex.setReplacement(m_in.replacement);
        const QString rewritten = old.left(open) + m_regex.text() + old.mid(close + 1);
        undo(s, old);
        m_in.wrapper.write(property, rewritten);
        changed = true;
    }

    // The plain body must match first. The rich body's text is then searched
    // as one text, as every other field is, so anchors and look-arounds see
    // all of it; each match is put back into the runs it covers. Only text is
    // rewritten (escaped): formatting codes are never hit and inserted text
    // cannot break the document. RTFBody alone is written.
    void body(const FieldStep &s, const QString &property)
    {
        const bool found = matches(m_in.wrapper.read(property));
        // The control's copy of a big body would stay for the whole step.
        m_regex.setText(QString());
        if (!found)
            return;
        QString rtf = m_in.wrapper.read(QLatin1String(BodyField::RichProperty));
        const std::optional<QString> rewritten = replacedInRuns(rtf);
        if (!rewritten)
            return;
        undo(s, rtf);
        // Each copy of a big body held past its use adds its size to the
        // run's peak memory: the old text goes once its record is written.
        rtf = QString();
        m_in.wrapper.write(QLatin1String(BodyField::RichProperty), *rewritten);
        changed = true;
    }

    // The body with every match replaced in its runs. The searched text and
    // the control's copy of it are let go before the body is written.
    std::optional<QString> replacedInRuns(const QString &rtf)
    {
        const RtfRuns::SearchText searched = RtfRuns::searchText(rtf);
        m_regex.setText(searched.text);
        m_regex.setPattern(m_in.searchText);
        QList<RtfRuns::Replacement> found;
        for (const RegexControl::Replacement &r : m_regex.replacements(m_in.replacement))
            found.append({r.start, r.length, r.text});
        m_regex.setText(QString());
        return RtfRuns::replaceInRuns(rtf, searched, found);
    }

    RunLogs &m_logs;
    const FieldFlags &m_flags;
    RegexControl &m_regex;
    const ItemInputs &m_in;
    int &m_step;
};

} // namespace

bool ItemProcessor::process(const ItemKinds::Kind &kind, const ItemInputs &in)
{
    const QString name = QLatin1String(kind.processor);
    int step = 0;
    bool changed = false;
    QString itemName;
    try {
        RegexControl &regex = m_control();
        // Set once per item; it holds for every step of it.
        regex.setCaseSensitive(in.caseFlag != 0);
        itemName = in.wrapper.Subject();
        m_logs.activity(name, QLatin1String(kind.opening) + itemName, 0);
        ItemRun item(m_logs, m_flags, regex, in, step);
        const std::span<const FieldStep> steps = kind.fields();
        const std::vector<StepNames> &names = stepNames(steps);
        for (size_t i = 0; i < steps.size(); ++i) {
            const FieldStep &s = steps[i];
            step = s.step;
            if (!m_flags.chosen(names[i].flagKey))
                continue;
            item.run(s, names[i].property);
            changed = item.changed;
        }
    } catch (const LogWriteError &) {
        // Without the log no further undo record can be kept: the run ends.
        throw;
    } catch (const std::exception &e) {
        m_logs.error(name, Texts::errorLineAt(step, Texts::describe(e)));
        m_logs.itemFailed(whereFailed(itemName, step));
    }
    return changed;
}
