// SPDX-License-Identifier: MIT
#include "propertywindow.h"

#include "logviewer.h"
#include "iengineapi.h"
#include "imoduleapi.h"
#include "ipropertypage.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "moduleloader.h"
#include "runactions.h"
#include "systemtexts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PropertyWindow::PropertyWindow(std::shared_ptr<IEngineAPI> engine, IModuleAPI *module, QWidget *parent)
    : PropertyWindow(std::move(engine), module, ModuleLoader::createPage(nullptr), parent)
{
}

PropertyWindow::PropertyWindow(std::shared_ptr<IEngineAPI> engine, IModuleAPI *module,
                               IPropertyPage *page, QWidget *parent)
    : QWidget(parent), m_engine(std::move(engine)), m_page(page)
{
    build(module);
    // The page knows its host before it is first shown, so its show
    // sequence already reaches the help area.
    m_page->SetHost(this);
}

PropertyWindow::~PropertyWindow()
{
    // The page goes before the host object it points to.
    m_page->SetHost(nullptr);
    delete m_page->widget();
}

void PropertyWindow::build(IModuleAPI *module)
{
    setObjectName(QStringLiteral("PropertyWindow"));
    const QString name = module ? module->FriendlyName() : QStringLiteral("Quenlock");
    setWindowTitle(name + QStringLiteral(" Properties"));

    auto *pageFrame = new QFrame(this);
    pageFrame->setObjectName(QStringLiteral("pageFrame"));
    pageFrame->setFrameShape(QFrame::StyledPanel);
    auto *pageLayout = new QVBoxLayout(pageFrame);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    m_page->widget()->setParent(pageFrame);
    pageLayout->addWidget(m_page->widget());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pageFrame, 1);
    layout->addWidget(buildHelpArea());
    layout->addLayout(buildButtons());
}

// The help area: room for a few lines, so the window does not jump as the
// mouse moves from one control to the next.
QFrame *PropertyWindow::buildHelpArea()
{
    auto *helpFrame = new QFrame(this);
    helpFrame->setObjectName(QStringLiteral("helpArea"));
    helpFrame->setFrameShape(QFrame::StyledPanel);
    auto *helpLayout = new QVBoxLayout(helpFrame);
    m_helpCaption = new QLabel(helpFrame);
    m_helpCaption->setObjectName(QStringLiteral("helpCaption"));
    QFont bold = m_helpCaption->font();
    bold.setBold(true);
    m_helpCaption->setFont(bold);
    m_helpCaption->hide();
    m_helpText = new QLabel(helpFrame);
    m_helpText->setObjectName(QStringLiteral("helpText"));
    m_helpText->setTextFormat(Qt::PlainText);
    m_helpText->setWordWrap(true);
    m_helpText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_helpText->setMinimumHeight(m_helpText->fontMetrics().lineSpacing() * 4);
    helpLayout->addWidget(m_helpCaption);
    helpLayout->addWidget(m_helpText, 1);
    return helpFrame;
}

QHBoxLayout *PropertyWindow::buildButtons()
{
    auto *hostLog = new QPushButton(QStringLiteral("Host Log..."), this);
    hostLog->setObjectName(QStringLiteral("hostLogButton"));
    auto *activityLog = new QPushButton(QStringLiteral("Activity Log..."), this);
    activityLog->setObjectName(QStringLiteral("activityLogButton"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_apply->setObjectName(QStringLiteral("applyButton"));
    m_apply->setEnabled(false);
    auto *preview = new QPushButton(QStringLiteral("Preview..."), this);
    preview->setObjectName(QStringLiteral("previewButton"));
    auto *undo = new QPushButton(QStringLiteral("Undo Last Run..."), this);
    undo->setObjectName(QStringLiteral("undoButton"));
    for (QPushButton *button : {hostLog, activityLog, preview, undo, m_ok, m_cancel, m_apply})
        button->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(hostLog);
    buttons->addWidget(activityLog);
    buttons->addWidget(preview);
    buttons->addWidget(undo);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);

    connect(m_ok, &QPushButton::clicked, this, &PropertyWindow::onOk);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(m_apply, &QPushButton::clicked, this, &PropertyWindow::applyPage);
    connect(preview, &QPushButton::clicked, this, &PropertyWindow::onPreview);
    connect(undo, &QPushButton::clicked, this, [this] { RunActions::undoLast(this, *this); });
    connect(hostLog, &QPushButton::clicked, this, [this] { showLog(false); });
    connect(activityLog, &QPushButton::clicked, this, [this] { showLog(true); });
    return buttons;
}

std::shared_ptr<OlApplication> PropertyWindow::OutlookApplication()
{
    if (!m_engine)
        throw QuenlockError(QStringLiteral("The host has no engine"));
    return m_engine->OutlookApp();
}

IEngineAPI *PropertyWindow::engine() { return m_engine.get(); }

void PropertyWindow::OnStatusChange() { m_apply->setEnabled(true); }

void PropertyWindow::SetHotHelp(const QString &text, const QString &caption)
{
    m_helpCaption->setText(caption);
    m_helpCaption->setVisible(!caption.isEmpty());
    m_helpText->setText(text);
}

bool PropertyWindow::applyPage()
{
    try {
        m_page->Apply();
    } catch (const QuenlockError &error) {
        // The edits stay on the page and Apply stays enabled, so the user can
        // mend the cause and save again.
        prompt().ask(this, Texts::settingsUnsaved(error.description()), Prompt::Buttons::Ok);
        return false;
    }
    m_apply->setEnabled(false);
    return true;
}

void PropertyWindow::onOk()
{
    if ((m_page->Dirty() || m_apply->isEnabled()) && !applyPage())
        return;
    close();
}

// A preview runs on the applied settings, as the page's Replace does.
void PropertyWindow::onPreview()
{
    if (m_page->Dirty() || m_apply->isEnabled()) {
        prompt().ask(this, Texts::applyFirst(), Prompt::Buttons::Ok);
        return;
    }
    RunActions::preview(this, *this);
}

void PropertyWindow::showLog(bool activity)
{
    QPointer<LogViewer> &viewer = activity ? m_activityLog : m_hostLog;
    if (viewer) {
        viewer->refresh();
    } else {
        viewer = new LogViewer(activity ? LogViewer::Log::Activity : LogViewer::Log::Host, this);
        viewer->show();
    }
    viewer->raise();
    viewer->activateWindow();
}
