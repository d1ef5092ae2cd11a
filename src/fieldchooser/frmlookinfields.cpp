// SPDX-License-Identifier: MIT
#include "frmlookinfields.h"

#include "fieldtable.h"
#include "formmetrics.h"
#include "itemkinds.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "systemtexts.h"
#include "textnumber.h"
#include "settingsaccess.h"
#include "settingskeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

using namespace FieldTable;
using FormMetrics::twipsRect;

namespace {

const char FrameCaption[] = "Common Search And Replace Functions";
const char ContactsLabel[] =
    "The items that are checked above will be considered when looking for the text to search "
    "for.  You can use these buttons to quickly select (or deselect) groups of commonly used "
    "fields.  For example, to update area codes, click the Phone Numbers button and use the "
    "Email Addresses button to update domain names (in case a company changes it's domain name).";
const char OtherLabel[] =
    "The items that are checked above will be considered when looking for the text to search "
    "for.  You can use these buttons to quickly select (or deselect) groups of commonly used "
    "fields.";
const char SpecialLabel[] =
    "Use this area to refine how phone numbers should be handled.  See the help file for more "
    "information about how to use this feature.";

QString keyOf(const Field &field) { return QString::fromLatin1(field.flagKey); }

// Only "0" and "1" are ever written here. Any other whole number ticks the
// box, as the replace engine counts every non-zero number as chosen; a text
// that is no number keeps the default, and OK then mends the stored value.
bool flagFromText(const QString &text, int defaultValue)
{
    try {
        return textToLong(text) != 0;
    } catch (const QuenlockError &) {
        return defaultValue != 0;
    }
}

// Whether a page has buttons for groups of boxes, which its text explains.
bool hasGroupPresets(Page page)
{
    for (const Preset &preset : Presets)
        if (preset.page == page && preset.group != Group::None)
            return true;
    return false;
}

// Column lefts of the pages' boxes; column 3 of the contacts starts higher.
constexpr int ColumnLeft[] = {270, 3345, 6135};
constexpr int RowPitch = 350;

} // namespace

frmLookInFields::frmLookInFields(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLookInFields"));
    setWindowTitle(QStringLiteral("Look In Fields"));
    setFont(FormMetrics::formFont());
    buildControls();
    Form_Load();
}

void frmLookInFields::buildControls()
{
    setFixedSize(twipsRect(this, 0, 0, 9420, 9030).size());

    vsIndexTab1 = new QTabWidget(this);
    vsIndexTab1->setObjectName(QStringLiteral("vsIndexTab1"));
    vsIndexTab1->setGeometry(twipsRect(this, 75, 165, 9240, 8115));
    QWidget *pages[ItemKinds::Kinds.size()];
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds) {
        const int i = int(kind.page);
        pages[i] = new QWidget;
        pages[i]->setObjectName(QStringLiteral("Picture%1").arg(i + 1));
        pages[i]->setFixedSize(twipsRect(this, 0, 0, 9150, 7740).size());
        vsIndexTab1->addTab(pages[i], QString::fromLatin1(kind.pageCaption));
    }

    for (const Field &field : Fields) {
        auto *box = new QCheckBox(QString::fromUtf8(field.caption), pages[int(field.page)]);
        box->setObjectName(QStringLiteral("chk") + keyOf(field));
        const bool fileAs = qstrcmp(field.flagKey, "FileAs") == 0;
        const int top = (field.page == Page::Contacts && field.column == 3 ? 240 : 270)
                        + (field.row - 1) * RowPitch;
        box->setGeometry(twipsRect(this, ColumnLeft[field.column - 1], top, fileAs ? 1830 : 2745,
                                   fileAs ? 210 : 195));
        m_boxes.insert(keyOf(field), box);
    }
    // After the boxes, so the tab order runs from the boxes to the instruction.
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds)
        if (kind.holdsInstruction)
            buildSpecialInstructions(pages[int(kind.page)]);
    buildPresets(pages);

    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(twipsRect(this, 6075, 8475, 1350, 330));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twipsRect(this, 7590, 8475, 1350, 330));
    for (QPushButton *button : {cmdOk, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(cmdOk, &QPushButton::clicked, this, &frmLookInFields::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLookInFields::cmdCancel_Click);
}

// Each page's frame of preset buttons with the text that explains them.
void frmLookInFields::buildPresets(QWidget *const pages[])
{
    QGroupBox *frames[ItemKinds::Kinds.size()];
    for (int i = 0; i < int(ItemKinds::Kinds.size()); ++i) {
        const char *text = hasGroupPresets(Page(i)) ? ContactsLabel : OtherLabel;
        frames[i] = new QGroupBox(QString::fromLatin1(FrameCaption), pages[i]);
        frames[i]->setObjectName(QStringLiteral("Frame%1").arg(i + 1));
        frames[i]->setGeometry(twipsRect(this, 165, 5865, 8835, 1740));
        auto *label = new QLabel(QString::fromLatin1(text), frames[i]);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(twipsRect(this, 195, 285, 8400, 765));
    }
    for (int i = 0; i < int(Presets.size()); ++i) {
        const Preset &preset = Presets[i];
        auto *button = new QPushButton(frames[int(preset.page)]);
        button->setText(QString::fromLatin1(preset.caption));
        button->setObjectName(QString::fromLatin1(preset.name));
        button->setAutoDefault(false);
        button->setGeometry(twipsRect(this, preset.left, 1200, 1500, 375));
        connect(button, &QPushButton::clicked, this, [this, i] { runPreset(i); });
    }
}

// The contacts page's frame for the telephone-number instruction.
void frmLookInFields::buildSpecialInstructions(QWidget *page)
{
    auto *frameSpecial = new QGroupBox(QStringLiteral("Special Instructions"), page);
    frameSpecial->setObjectName(QStringLiteral("frameSpecialInstructions"));
    frameSpecial->setGeometry(twipsRect(this, 5715, 3975, 3285, 1890));
    auto *lblSpecial = new QLabel(QString::fromLatin1(SpecialLabel), frameSpecial);
    lblSpecial->setObjectName(QStringLiteral("lblSpecialInstructions"));
    lblSpecial->setWordWrap(true);
    lblSpecial->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSpecial->setGeometry(twipsRect(this, 135, 285, 3030, 795));
    cboSpecialInstructions = new QComboBox(frameSpecial);
    cboSpecialInstructions->setObjectName(QStringLiteral("cboSpecialInstructions"));
    cboSpecialInstructions->setEditable(true);
    // Typed text stays in the edit field; the list keeps exactly its two entries.
    cboSpecialInstructions->setInsertPolicy(QComboBox::NoInsert);
    // No completion: "none" or "Only" stay as typed instead of becoming an entry.
    cboSpecialInstructions->setCompleter(nullptr);
    const QRect comboRect = twipsRect(this, 150, 1215, 3030, 315);
    cboSpecialInstructions->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                                        cboSpecialInstructions->sizeHint().height());
}

void frmLookInFields::Form_Load()
{
    const auto loadFlag = [this](const Field &field) {
        const QString text =
            ReadSetting(keyOf(field), QString::number(field.defaultValue));
        m_boxes.value(keyOf(field))->setChecked(flagFromText(text, field.defaultValue));
    };
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds) {
        for (const Field &field : kind.fields())
            loadFlag(field);
        if (!kind.holdsInstruction)
            continue;
        cboSpecialInstructions->clear();
        cboSpecialInstructions->addItem(QString::fromLatin1(Keys::SpecialNone));
        cboSpecialInstructions->addItem(QString::fromLatin1(Keys::SpecialAreaCodes));
        cboSpecialInstructions->setEditText(ReadSetting(QString::fromLatin1(Keys::SpecialInstructions),
                                                        QString::fromLatin1(Keys::SpecialNone)));
    }
    vsIndexTab1->setCurrentIndex(0);
}

void frmLookInFields::cmdOk_Click()
{
    const auto saveFlag = [this](const Field &field) {
        WriteSetting(keyOf(field),
                     m_boxes.value(keyOf(field))->isChecked() ? QStringLiteral("1")
                                                              : QStringLiteral("0"));
    };
    try {
        for (const ItemKinds::Kind &kind : ItemKinds::Kinds) {
            for (const Field &field : kind.fields())
                saveFlag(field);
            if (kind.holdsInstruction)
                WriteSetting(QString::fromLatin1(Keys::SpecialInstructions),
                             cboSpecialInstructions->currentText());
        }
    } catch (const QuenlockError &error) {
        // The dialog stays open with the user's choices, so nothing is lost
        // and OK can be pressed again once the store is writable.
        prompt().ask(this, Texts::fieldChoicesUnsaved(error.description()), Prompt::Buttons::Ok);
        return;
    }
    accept();
}

void frmLookInFields::cmdCancel_Click() { reject(); }

void frmLookInFields::keyPressEvent(QKeyEvent *event)
{
    // Neither button is the Escape button; Enter has no default button either.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmLookInFields::runPreset(int index)
{
    const Preset &preset = Presets[index];
    // Boxes are set in table order, each as a click to that state would.
    for (const Field &field : Fields)
        if (presetSets(preset, field))
            m_boxes.value(keyOf(field))->setChecked(preset.value != 0);
}
