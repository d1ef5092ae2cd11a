// SPDX-License-Identifier: MIT
// The two folder buttons: one folder through Outlook's dialog, several through the engine's picker.
#include "uc1.h"

#include "hostobject.h"
#include "multifolderpicker.h"
#include "progids.h"
#include "olapplication.h"
#include "systemtexts.h"

#include <QListWidget>
#include <QPushButton>

namespace {
const char NotSet[] = "Object variable or With block variable not set";
} // namespace

void UC1::cmdChooseFolder_Click()
{
    try {
        if (!m_host)
            throw QuenlockError(QLatin1String(NotSet));
        const std::shared_ptr<OlApplication> application = m_host->OutlookApplication();
        if (!application)
            throw QuenlockError(QLatin1String(NotSet));
        const std::shared_ptr<OlNamespace> nameSpace =
            application->GetNamespace(QStringLiteral("MAPI"));
        const std::shared_ptr<OlFolder> folder = nameSpace->PickFolder();
        if (cmdChooseFolder)
            cmdChooseFolder->setFocus();
        if (!folder)
            return;

        // Everything that can fail comes before the list and the collection
        // change, so a failure leaves them showing the same folders.
        const QString entryId = folder->EntryID();
        const QString storeId = folder->StoreID();
        const QString name = folder->Name();
        std::shared_ptr<FolderRef> record =
            ClassFactory::create<FolderRef>(QLatin1String(ProgId::FolderRef));
        record->setName(name);
        record->setEntryID(entryId);
        if (!storeId.isEmpty())
            record->setStoreID(storeId);

        lstFolderList->clear();
        lstFolderList->addItem(name);
        m_folders = std::make_shared<FolderCollection>(FolderCollection{record});
        m_foldersComplete = true;
        SetDirty();
    } catch (const QuenlockError &error) {
        // The page's logs drop a line the host log cannot take: a handler
        // must not throw again.
        m_logs.error(QStringLiteral("ChooseFolderButton"), Texts::errorLine(error.description()));
    }
}

void UC1::cmdChooseMultiFolder_Click()
{
    try {
        const std::unique_ptr<MultiFolderPicker> picker =
            ClassFactory::create<MultiFolderPicker>(QLatin1String(ProgId::MultiFolderPicker));
        if (!m_host)
            throw QuenlockError(QLatin1String(NotSet));
        const std::shared_ptr<OlApplication> application = m_host->OutlookApplication();
        const QString text = engineUtility().LookupText(m_textTable, QStringLiteral("17"));
        if (!picker->PickFolders(application.get(), -1, m_folders, text))
            return;

        // The names are read in full before the list is cleared, so a record
        // that fails to answer leaves the list as it was.
        QStringList names;
        if (m_folders) {
            for (const std::shared_ptr<FolderObject> &element : std::as_const(*m_folders)) {
                if (!element)
                    throw QuenlockError(QLatin1String(NotSet));
                element->EntryID();
                element->StoreID();
                names.append(element->Name());
            }
        }
        lstFolderList->clear();
        lstFolderList->addItems(names);
        m_foldersComplete = true;
        SetDirty();
    } catch (const QuenlockError &error) {
        m_logs.error(QStringLiteral("ChooseMultiFolderButton"), Texts::errorLine(error.description()));
    }
}
