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
#include <QKeyEvent>
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

    // The frame holds the page at the page's own size and no more: its lines
    // end where the page ends, with no empty framed area beside it.
    auto *pageFrame = new QFrame(this);
    pageFrame->setObjectName(QStringLiteral("pageFrame"));
    pageFrame->setFrameShape(QFrame::StyledPanel);
    auto *pageLayout = new QVBoxLayout(pageFrame);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget *page = m_page->widget();
    page->setParent(pageFrame);
    page->setFixedSize(page->minimumSize());
    pageLayout->addWidget(page);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pageFrame, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(buildHelpArea(), 1);
    layout->addLayout(buildButtons());
}

// OK is the default button and Escape cancels. The page's text boxes and
// buttons let Enter pass, so it reaches here; a key a control uses never does.
void PropertyWindow::keyPressEvent(QKeyEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        onOk();
        return;
    }
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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

// Two rows, so the window is as wide as the page: the tools, then OK, Cancel
// and Apply at the right. Tab goes through them as they stand on the screen.
// Their access keys are letters no caption of the page uses.
QVBoxLayout *PropertyWindow::buildButtons()
{
    auto button = [this](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    auto *hostLog = button(QStringLiteral("&Host Log..."), "hostLogButton");
    auto *activityLog = button(QStringLiteral("Ac&tivity Log..."), "activityLogButton");
    auto *preview = button(QStringLiteral("Pre&view..."), "previewButton");
    auto *undo = button(QStringLiteral("&Undo Last Run..."), "undoButton");
    m_ok = button(QStringLiteral("OK"), "okButton");
    m_ok->setDefault(true);
    m_cancel = button(QStringLiteral("Cancel"), "cancelButton");
    m_apply = button(QStringLiteral("&Apply"), "applyButton");
    m_apply->setEnabled(false);

    auto *tools = new QHBoxLayout;
    for (QPushButton *b : {hostLog, activityLog, preview, undo})
        tools->addWidget(b);
    auto *closing = new QHBoxLayout;
    closing->addStretch(1);
    for (QPushButton *b : {m_ok, m_cancel, m_apply})
        closing->addWidget(b);
    auto *rows = new QVBoxLayout;
    rows->addLayout(tools);
    rows->addLayout(closing);
    const QList<QWidget *> order{hostLog, activityLog, preview, undo, m_ok, m_cancel, m_apply};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_ok, &QPushButton::clicked, this, &PropertyWindow::onOk);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(m_apply, &QPushButton::clicked, this, &PropertyWindow::applyPage);
    connect(preview, &QPushButton::clicked, this, &PropertyWindow::onPreview);
    connect(undo, &QPushButton::clicked, this, [this] { RunActions::undoLast(this, *this); });
    connect(hostLog, &QPushButton::clicked, this, [this] { showLog(false); });
    connect(activityLog, &QPushButton::clicked, this, [this] { showLog(true); });
    return rows;
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
