// SPDX-License-Identifier: MIT
// The settings page: its controls, its protocol with the host, loading and saving.
#include "uc1.h"

#include "engineactivitylog.h"
#include "formmetrics.h"
#include "hostobject.h"
#include "progids.h"
#include "textnumber.h"
#include "regexcontrol.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "systemtexts.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include <limits>

using FormMetrics::twips;
using FormMetrics::twipsRect;

namespace {
// The bar shows no text, so none is formatted for each item a run reports
// (QProgressBar asks for its text on every new value).
class ItemProgressBar final : public QProgressBar
{
public:
    using QProgressBar::QProgressBar;
    QString text() const override { return isTextVisible() ? QProgressBar::text() : QString(); }
};

// The check box value as the store keeps it: 0 unticked, 1 ticked, 2 grayed.
int checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

// A stored case flag (storedCaseFlag) as the box shows it.
void setCheckValue(QCheckBox *box, qint32 value)
{
    box->setCheckState(value == 2 ? Qt::PartiallyChecked : value == 1 ? Qt::Checked : Qt::Unchecked);
}

bool isLine(const QObject *control)
{
    const QString name = control->objectName();
    return name == u"Line4" || name == u"Line6" || name == u"Line7" || name == u"Line8";
}

QLabel *newLabel(const QString &caption, QWidget *container)
{
    auto *control = new QLabel(caption, container);
    control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return control;
}

QPushButton *newButton(const QString &caption, QWidget *container)
{
    auto *control = new QPushButton(caption, container);
    control->setAutoDefault(false);
    return control;
}

} // namespace

UC1::UC1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("UC1"));
    buildControls();

    connect(txtSearchFor, &QLineEdit::textChanged, this, [this] { SetDirty(); });
    connect(txtReplaceWith, &QLineEdit::textChanged, this, [this] { SetDirty(); });
    // stateChanged, not toggled: it also reports a change to or from grayed.
    connect(chkCaseSensitive, &QCheckBox::stateChanged, this, [this](int state) {
        // A grayed box comes only from the store and shows so until it
        // changes; from then on a click gives ticked or clear, never grayed.
        if (state != Qt::PartiallyChecked)
            chkCaseSensitive->setTristate(false);
        SetDirty();
    });
    connect(cmdChooseFields, &QPushButton::clicked, this, [this] { cmdChooseFields_Click(); });
    connect(cmdChooseFolder, &QPushButton::clicked, this, [this] { cmdChooseFolder_Click(); });
    connect(cmdChooseMultiFolder, &QPushButton::clicked, this,
            [this] { cmdChooseMultiFolder_Click(); });
    connect(cmdReplace, &QPushButton::clicked, this, [this] { cmdReplace_Click(); });
}

UC1::~UC1()
{
    // The page lets go of its help texts, its folders and its host, in that order.
    m_helpTexts = TextTable();
    m_folders.reset();
    m_host = nullptr;
}

template <class T>
T *UC1::place(T *control, const char *name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twipsRect(this, left, top, width, height));
    m_controls.append(control);
    return control;
}

// The controls in container order, at their places in twips.
void UC1::buildControls()
{
    setFont(FormMetrics::formFont());
    setMinimumSize(twips(this, 7380), twips(this, 5400));

    frameSettings = place(new QGroupBox(QStringLiteral("Search And Replace"), this), "frameSettings", 90, 90, 6840, 4950);
    lblSearchFor = place(newLabel(QStringLiteral("Search For:"), frameSettings), "lblSearchFor", 210, 345, 1185, 270);
    txtSearchFor = place(new QLineEdit(frameSettings), "txtSearchFor", 1425, 285, 3480, 315);
    // The store sets no length limit, so neither box does (Qt's default
    // would cut a loaded text at 32,767 characters).
    txtSearchFor->setMaxLength(std::numeric_limits<int>::max());
    chkCaseSensitive = place(new QCheckBox(QStringLiteral("Case sensitive"), frameSettings), "chkCaseSensitive", 5055, 345, 1635, 255);
    lblReplaceWith = place(newLabel(QStringLiteral("Replace With:"), frameSettings), "lblReplaceWith", 210, 690, 1185, 270);
    txtReplaceWith = place(new QLineEdit(frameSettings), "txtReplaceWith", 1425, 645, 3480, 315);
    txtReplaceWith->setMaxLength(std::numeric_limits<int>::max());
    lblLookIn = place(newLabel(QStringLiteral("Look In Fields:"), frameSettings), "lblLookIn", 210, 1050, 1185, 270);
    cmdChooseFields = place(newButton(QStringLiteral("Choose Fields..."), frameSettings), "cmdChooseFields", 1425, 1005, 1455, 345);
    lblSearchIn = place(newLabel(QStringLiteral("Search In Folders:"), frameSettings), "lblSearchIn", 210, 1425, 1785, 225);
    lstFolderList = place(new QListWidget(frameSettings), "lstFolderList", 195, 1680, 4305, 1425);
    Picture3 = place(new QWidget(frameSettings), "Picture3", 4575, 1425, 2220, 2460);
    cmdChooseFolder = place(newButton(QStringLiteral("Choose Folder..."), Picture3), "cmdChooseFolder", 75, 315, 1995, 360);
    cmdChooseMultiFolder = place(newButton(QStringLiteral("Choose Multi Folders..."), Picture3), "cmdChooseMultiFolder", 75, 735, 1995, 360);
    frameWarning = place(new QGroupBox(QStringLiteral("Warning"), Picture3), "frameWarning", 90, 1275, 1980, 1125);
    Label1 = place(newLabel(QStringLiteral("Make backups before running this utility."), frameWarning), "Label1", 180, 315, 1650, 615);
    Label1->setWordWrap(true);
    Picture1 = place(new QWidget(frameSettings), "Picture1", 45, 1635, 6735, 3240);
    cmdReplace = place(newButton(QStringLiteral("Replace"), Picture1), "cmdReplace", 585, 1710, 1650, 375);
    frameProgress = place(new QGroupBox(QStringLiteral("Progress"), Picture1), "frameProgress", 30, 2235, 6675, 990);
    ProgressBar1 = place(new ItemProgressBar(frameProgress), "ProgressBar1", 135, 585, 6420, 255);
    ProgressBar1->setTextVisible(false);
    lblFolderName = place(newLabel(QStringLiteral("Folder Name"), frameProgress), "lblFolderName", 135, 270, 6420, 225);

    // Picture1 lies over the lower part of the frame; the list and the
    // folder buttons' panel stay in front of it.
    lstFolderList->raise();
    Picture3->raise();
    buildLines();
    trackMouse();
}

// The page's border lines: drawn, never enabled or disabled.
void UC1::buildLines()
{
    auto line = [&](const char *name, QFrame::Shape shape, int left, int top, int width, int height) {
        auto *control = new QFrame(this);
        control->setFrameShape(shape);
        control->setFrameShadow(QFrame::Plain);
        control->setLineWidth(1);
        control->setForegroundRole(QPalette::Mid);
        control->setObjectName(QLatin1String(name));
        const QRect r = twipsRect(this, left, top, width, height);
        control->setGeometry(shape == QFrame::HLine ? QRect(r.left(), r.top(), r.width(), 1)
                                                    : QRect(r.left(), r.top(), 1, r.height()));
        m_controls.append(control);
    };
    line("Line4", QFrame::HLine, 0, 60, 7380, 0);
    line("Line6", QFrame::HLine, 0, 5130, 7380, 0);
    line("Line7", QFrame::VLine, 45, 0, 0, 5400);
    line("Line8", QFrame::VLine, 7005, 0, 0, 5400);
}

// The fourteen controls with hot help hear the mouse without a button held.
void UC1::trackMouse()
{
    const QList<QWidget *> controls = {lblSearchFor,    txtSearchFor,    chkCaseSensitive, lblReplaceWith,
                                       txtReplaceWith,  lblLookIn,       cmdChooseFields,  lblSearchIn,
                                       lstFolderList->viewport(), cmdChooseFolder, cmdChooseMultiFolder,
                                       cmdReplace,      frameProgress,   lblFolderName};
    for (QWidget *control : controls) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }
    lstFolderList->setMouseTracking(true);
}

void UC1::SetHost(HostObject *theHost) { m_host = theHost; }

bool UC1::Dirty() const { return m_dirty; }

void UC1::Enabled(bool newEnabled)
{
    // Every control, nested ones included; the lines keep their state and the
    // regular-expression control is no widget at all.
    for (QWidget *control : std::as_const(m_controls)) {
        if (!isLine(control))
            control->setEnabled(newEnabled);
    }
}

void UC1::Apply()
{
    WriteSetting(QLatin1String(Keys::SearchFor), txtSearchFor->text());
    WriteSetting(QLatin1String(Keys::ReplaceWith), txtReplaceWith->text());
    WriteSetting(QLatin1String(Keys::CaseSensitive), QString::number(checkValue(chkCaseSensitive)));
    // A list that loading did not finish is less than the store holds:
    // writing it would lose the folders loading never reached.
    if (m_foldersComplete)
        writeFolders();
    m_dirty = false;
}

void UC1::writeFolders()
{
    if (!m_folders) {
        WriteSetting(QLatin1String(Keys::FolderCount), QStringLiteral("0"));
        return;
    }
    const FolderCollection &folders = *m_folders;
    WriteSetting(QLatin1String(Keys::FolderCount), QString::number(folders.size()));
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const int n = int(i + 1);
        WriteSetting(Keys::numbered(Keys::FolderName, n), folders[i]->Name());
        WriteSetting(Keys::numbered(Keys::FolderEntryId, n), folders[i]->EntryID());
        WriteSetting(Keys::numbered(Keys::FolderStoreId, n), folders[i]->StoreID());
    }
}

void UC1::LoadValues()
{
    // Stage numbers go into the error line so it tells how far loading got.
    int stage = 0;
    m_foldersComplete = false;
    try {
        stage = Texts::TextsLoadingStage;
        txtSearchFor->setText(ReadSetting(QLatin1String(Keys::SearchFor), QString()));
        txtReplaceWith->setText(ReadSetting(QLatin1String(Keys::ReplaceWith), QString()));
        setCheckValue(chkCaseSensitive,
                      storedCaseFlag(ReadSetting(QLatin1String(Keys::CaseSensitive), QStringLiteral("0"))));

        stage = 6;
        lblFolderName->setText(QString());
        ProgressBar1->hide();

        stage = 8;
        const qint32 count = boundFolderCount(
            textToLong(ReadSetting(QLatin1String(Keys::FolderCount), QStringLiteral("0"))), SettingKeys());

        stage = 10;
        m_folders = std::make_shared<FolderCollection>();
        lstFolderList->clear();
        const QString notFound = QLatin1String(Keys::NotFound);
        for (qint32 n = 1; n <= count; ++n) {
            const QString name = ReadSetting(Keys::numbered(Keys::FolderName, n), notFound);
            if (name == notFound)
                continue;
            const QString entry = ReadSetting(Keys::numbered(Keys::FolderEntryId, n), notFound);
            const QString store = ReadSetting(Keys::numbered(Keys::FolderStoreId, n), QString());
            if (entry == notFound)
                continue;
            // The record first: should creating it fail, the list and the
            // collection still name the same folders.
            std::shared_ptr<FolderRef> folder =
                ClassFactory::create<FolderRef>(QLatin1String(ProgId::FolderRef));
            folder->setName(name);
            folder->setEntryID(entry);
            if (!store.isEmpty())
                folder->setStoreID(store);
            lstFolderList->addItem(name);
            m_folders->append(folder);
        }
        m_foldersComplete = true;
    } catch (const std::exception &error) {
        m_logs.error(QStringLiteral("LoadValues"), Texts::loadingErrorLine(Texts::describe(error), stage));
    }
}

QString UC1::SendPropMessage(const QString &theMessage, const QString &)
{
    if (theMessage == u"ResetHelpText")
        m_currentHelpKey.clear();
    return QStringLiteral("ok");
}

void UC1::SetDirty()
{
    try {
        if (!m_loading) {
            m_dirty = true;
            // Every change is told, also while the page is already dirty.
            if (m_host)
                m_host->OnStatusChange();
        }
        ResetHotHelp();
    } catch (const std::exception &error) {
        m_logs.error(QStringLiteral("SetDirty"), Texts::errorLine(Texts::describe(error)));
    }
}

void UC1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised is no new showing.
    if (event->spontaneous())
        return;
    try {
        ShowSequence();
    } catch (const std::exception &error) {
        // No error may cross Qt's event dispatch; the host learns of it from its log.
        m_loading = false;
        m_logs.error(QStringLiteral("ShowPage"), Texts::errorLine(Texts::describe(error)));
    }
}

void UC1::ShowSequence()
{
    // Every showing reloads the page from the store and drops unsaved edits.
    m_loading = true;
    engineUtility().LoadTextTable(m_textTable, QLatin1String(Keys::Section));
    LoadHelpTexts();
    LoadValues();
    ResetHotHelp();
    m_dirty = false;
    m_loading = false;
}
