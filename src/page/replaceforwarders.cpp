// SPDX-License-Identifier: MIT
// The page's side of a replace: its label and bar as the run's progress, and
// the engine's routines under the page's names.
#include "uc1.h"

#include "itemprocessor.h"
#include "progresssink.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "replacerun.h"
#include "settingsaccess.h"
#include "systemtexts.h"
#include "undolog.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace {

// The folder label and the progress bar; only they repaint while a run
// holds the page's thread.
class PageProgress final : public ProgressSink
{
public:
    PageProgress(QLabel &label, QProgressBar &bar) : m_label(label), m_bar(bar) {}
    void showFolder(const QString &caption) override
    {
        m_label.setText(caption);
        m_label.setVisible(true);
        m_label.repaint();
    }
    // A folder of 0 or 1 items would give a maximum not above the minimum,
    // which QProgressBar shows as a busy animation (0..0) or an undefined
    // ratio; such a folder gets 0..1, so an empty folder shows an empty bar
    // and a folder of one item a full bar once that item is reached.
    void setItemRange(int count) override
    {
        if (count < 2)
            m_bar.setRange(0, 1);
        else
            m_bar.setRange(1, count);
        m_bar.setVisible(true);
        m_count = count;
        m_sinceRepaint.invalidate();
    }
    // The value is set for every item; the bar is painted at most 25 times a
    // second (as often as the eye follows it) and at the folder's last item.
    // Painting it for every item cost more than the item itself.
    void setItem(int index) override
    {
        m_bar.setValue(index);
        if (index >= m_count || !m_sinceRepaint.isValid() || m_sinceRepaint.elapsed() >= 40) {
            m_bar.repaint();
            m_sinceRepaint.start();
        }
    }
    void finish() override
    {
        m_bar.setValue(m_bar.minimum());
        m_bar.setVisible(false);
    }
    void showSummary(const QString &text) override { m_label.setText(text); }

private:
    QLabel &m_label;
    QProgressBar &m_bar;
    int m_count = 0;
    QElapsedTimer m_sinceRepaint;
};

// The app's prompt with the page as the parent of its boxes.
class PagePrompt final : public Prompt
{
public:
    explicit PagePrompt(QWidget *page) : m_page(page) {}
    Answer ask(QWidget *, const QString &text, Buttons buttons) override
    {
        return prompt().ask(m_page, text, buttons);
    }

private:
    QWidget *m_page;
};

} // namespace

void UC1::cmdReplace_Click()
{
    PageProgress progress(*lblFolderName, *ProgressBar1);
    PagePrompt asking(this);
    StoreSettings settings;
    ReplaceRun run({settings, m_host, std::ref(m_regularExpressions), m_logs, asking, progress, m_fieldFlags});
    try {
        run.run(Dirty(), [this] {
            return RunTexts{txtSearchFor->text(), txtReplaceWith->text(), chkCaseSensitive->isChecked() ? 1 : 0};
        });
    } catch (const LogWriteError &error) {
        // The run stopped because undo records cannot be stored; its error
        // line is lost with the log, so the user hears of it here.
        prompt().ask(this, Texts::replaceStopped(error.description()), Prompt::Buttons::Ok);
    }
}

bool UC1::SearchAndReplaceContacts(const QString &folderStoreId, const QString &folderEntryId,
                                   SafeItem &wrapper, const QString &searchText,
                                   const QString &replacement, qint32 caseFlag)
{
    return processor().process(ItemKinds::of(FieldTable::Page::Contacts),
                               {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

bool UC1::SearchAndReplaceAppointments(const QString &folderStoreId, const QString &folderEntryId,
                                       SafeItem &wrapper, const QString &searchText,
                                       const QString &replacement, qint32 caseFlag)
{
    return processor().process(ItemKinds::of(FieldTable::Page::Appointments),
                               {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

bool UC1::SearchAndReplaceTasks(const QString &folderStoreId, const QString &folderEntryId,
                                SafeItem &wrapper, const QString &searchText,
                                const QString &replacement, qint32 caseFlag)
{
    return processor().process(ItemKinds::of(FieldTable::Page::Tasks),
                               {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

void UC1::UndoSave(const QString &folderStoreId, const QString &folderEntryId,
                   const QString &itemEntryId, const QString &fieldName, const QString &fieldValue)
{
    UndoLog(m_logs).UndoSave(folderStoreId, folderEntryId, itemEntryId, fieldName, fieldValue);
}

void UC1::WriteToUndoLog(const QString &functionName, const QString &message)
{
    UndoLog(m_logs).WriteToUndoLog(functionName, message);
}

void UC1::WriteToLog(const QString &functionName, const QString &message)
{
    m_logs.activity(functionName, message, 0);
}

void UC1::LoadFieldFlags()
{
    StoreSettings settings;
    ::LoadFieldFlags(m_fieldFlags, settings);
}

ItemProcessor UC1::processor()
{
    return ItemProcessor(m_logs, m_fieldFlags, std::ref(m_regularExpressions));
}
