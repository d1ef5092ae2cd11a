// SPDX-License-Identifier: MIT
// The modal "Look In Fields" dialog: which fields a replace run looks in.
#pragma once

#include <QDialog>
#include <QHash>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTabWidget;

// Loads every field flag and the special instruction from the settings store
// when it is built, and writes them all back on OK only. Cancel and the close
// box write nothing. Neither button answers Enter or Escape. Holds no state
// between openings: build one per opening.
class frmLookInFields final : public QDialog
{
    Q_OBJECT

public:
    explicit frmLookInFields(QWidget *parent = nullptr);

    void cmdOk_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void buildSpecialInstructions(QWidget *page);
    void buildPresets(QWidget *const pages[]);
    void Form_Load();
    void runPreset(int index);

    QTabWidget *vsIndexTab1 = nullptr;
    QComboBox *cboSpecialInstructions = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
    QHash<QString, QCheckBox *> m_boxes; // by flag key
};
