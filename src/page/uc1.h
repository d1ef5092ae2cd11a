// SPDX-License-Identifier: MIT
// The settings page UC1: search texts, folder list, field chooser and the replace run.
#pragma once

#include "engineutility.h"
#include "fieldflags.h"
#include "folderobject.h"
#include "ipropertypage.h"
#include "regexondemand.h"
#include "runlogs.h"

#include <QWidget>
#include <memory>

class HostObject;
class ItemProcessor;
class SafeItem;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The page keeps its host (not owned), its folder collection, its field-flag
// set, its help texts and its one regular-expression control. Every routine
// named in the log lines keeps that name, so a log line reads as the code.
class UC1 final : public QWidget, public IPropertyPage
{
    Q_OBJECT

public:
    explicit UC1(QWidget *parent = nullptr);
    ~UC1() override;

    // Host-facing members, in the host's order.
    QWidget *widget() override { return this; }
    void SetHost(HostObject *theHost) override;
    bool Dirty() const override;
    void Enabled(bool newEnabled) override;
    void Apply() override;
    void LoadValues() override;
    QString SendPropMessage(const QString &theMessage, const QString &theData) override;
    void WriteToLog(const QString &functionName, const QString &message) override;

    // Button handlers.
    void cmdChooseFields_Click();
    void cmdChooseFolder_Click();
    void cmdChooseMultiFolder_Click();
    void cmdReplace_Click();

    // The replace engine's routines under the names the page has always
    // given them; each forwards to the engine (replace/).
    // Item processors: return the changed flag.
    bool SearchAndReplaceContacts(const QString &folderStoreId, const QString &folderEntryId,
                                  SafeItem &wrapper, const QString &searchText,
                                  const QString &replacement, qint32 caseFlag);
    bool SearchAndReplaceAppointments(const QString &folderStoreId, const QString &folderEntryId,
                                      SafeItem &wrapper, const QString &searchText,
                                      const QString &replacement, qint32 caseFlag);
    bool SearchAndReplaceTasks(const QString &folderStoreId, const QString &folderEntryId,
                               SafeItem &wrapper, const QString &searchText,
                               const QString &replacement, qint32 caseFlag);

    // Undo records: five activity entries of kind -1 per changed field.
    void UndoSave(const QString &folderStoreId, const QString &folderEntryId,
                  const QString &itemEntryId, const QString &fieldName, const QString &fieldValue);
    void WriteToUndoLog(const QString &functionName, const QString &message);

    // Refills the field-flag set from the store; every run does so first.
    void LoadFieldFlags();

    // Read-only views for the host and tests.
    const std::shared_ptr<FolderCollection> &folderCollection() const { return m_folders; }
    const FieldFlags &fieldFlags() const { return m_fieldFlags; }
    QString currentHelpKey() const { return m_currentHelpKey; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ItemProcessor processor();
    void buildControls();
    void buildLines();
    void trackMouse();
    template <class T>
    T *place(T *control, const char *name, int left, int top, int width, int height);
    void SetDirty();
    void writeFolders();
    // Set loading, texts, help texts, values, reset help, clear dirty.
    void ShowSequence();
    // Hot help.
    void LoadHelpTexts();
    void ShowHotHelp(const QString &key);
    void ResetHotHelp();

    HostObject *m_host = nullptr;
    bool m_dirty = false;
    bool m_loading = false;
    std::shared_ptr<FolderCollection> m_folders;
    // False after a load that stopped before the folder list was complete,
    // until the user chooses folders: Apply then leaves the folder keys alone.
    bool m_foldersComplete = true;
    TextTable m_textTable;
    TextTable m_helpTexts;
    QString m_currentHelpKey;
    QString m_helpCaption;
    FieldFlags m_fieldFlags;
    RegexOnDemand m_regularExpressions;
    EngineRunLogs m_logs;

    QGroupBox *frameSettings = nullptr;
    QLabel *lblSearchFor = nullptr;
    QLineEdit *txtSearchFor = nullptr;
    QCheckBox *chkCaseSensitive = nullptr;
    QLabel *lblReplaceWith = nullptr;
    QLineEdit *txtReplaceWith = nullptr;
    QLabel *lblLookIn = nullptr;
    QPushButton *cmdChooseFields = nullptr;
    QLabel *lblSearchIn = nullptr;
    QListWidget *lstFolderList = nullptr;
    QWidget *Picture3 = nullptr;
    QPushButton *cmdChooseFolder = nullptr;
    QPushButton *cmdChooseMultiFolder = nullptr;
    QGroupBox *frameWarning = nullptr;
    QLabel *Label1 = nullptr;
    QWidget *Picture1 = nullptr;
    QPushButton *cmdReplace = nullptr;
    QGroupBox *frameProgress = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *lblFolderName = nullptr;
    // Every control in container order, the four lines last.
    QList<QWidget *> m_controls;
};
