// SPDX-License-Identifier: MIT
// Hot help: the page hands the host the help text of the control under the mouse.
#include "uc1.h"

#include "hostobject.h"

#include <QListWidget>
#include <QMouseEvent>

#include <array>
#include <utility>

namespace {
// Control name and the key of its text in the host's text table. A label
// and the input beside it share one text.
constexpr std::array<std::pair<const char *, const char *>, 14> HelpKeys = {{
    {"lblSearchFor", "1"},
    {"txtSearchFor", "1"},
    {"chkCaseSensitive", "3"},
    {"lblReplaceWith", "5"},
    {"txtReplaceWith", "5"},
    {"lblLookIn", "7"},
    {"cmdChooseFields", "7"},
    {"lblSearchIn", "9"},
    {"lstFolderList", "9"},
    {"cmdChooseFolder", "9"},
    {"cmdChooseMultiFolder", "9"},
    {"cmdReplace", "11"},
    {"frameProgress", "13"},
    {"lblFolderName", "15"},
}};
} // namespace

void UC1::LoadHelpTexts()
{
    m_helpTexts = TextTable();
    EngineUtility &utility = engineUtility();
    for (const auto &[control, key] : HelpKeys)
        m_helpTexts.insert(QLatin1String(control), utility.LookupText(m_textTable, QLatin1String(key)));
}

void UC1::ShowHotHelp(const QString &key)
{
    if (!m_host)
        return;
    QString text;
    if (key.isEmpty()) {
        m_currentHelpKey.clear();
    } else {
        // The host hears about a control once per entry, not on every move.
        if (key == m_currentHelpKey)
            return;
        m_currentHelpKey = key;
        text = engineUtility().LookupText(m_helpTexts, key);
    }
    m_host->SetHotHelp(text, m_helpCaption);
}

void UC1::ResetHotHelp()
{
    m_helpCaption = QString();
    ShowHotHelp(QString());
}

bool UC1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);
    auto *control = static_cast<QWidget *>(watched);
    const QPoint position = static_cast<QMouseEvent *>(event)->position().toPoint();
    // Only moves over the control itself count: a move over a child (the
    // progress bar inside frameProgress) reaches its parent too, but the child
    // has no help of its own and must leave the help as it was. A disabled
    // control hears no mouse.
    if (control->childAt(position) || !control->isEnabled())
        return false;
    const QString name = control == lstFolderList->viewport() ? lstFolderList->objectName()
                                                              : control->objectName();
    try {
        ShowHotHelp(name);
    } catch (const std::exception &) {
        // A host that cannot show help costs the user only that help text;
        // nothing may cross Qt's event dispatch.
    }
    return false;
}
