// SPDX-License-Identifier: MIT
// The replace run behind the Replace button: every item of every stored folder.
#include "uc1.h"

#include "module/hostobject.h"
#include "module/iengineapi.h"
#include "module/progids.h"
#include "module/prompt.h"
#include "module/textnumber.h"
#include "outlook/olapplication.h"
#include "outlook/safeitem.h"
#include "settingsaccess.h"
#include "settingskeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QProgressBar>

#include <limits>

namespace {
const QString FunctionName = QStringLiteral("cmdReplace_Click");
const QString ErrorSource = QLatin1String(Keys::Section) + QStringLiteral(".cmdConvert");

[[noreturn]] void notSet()
{
    throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
}

template <class T>
T &required(const std::shared_ptr<T> &object)
{
    if (!object)
        notSet();
    return *object;
}

// The bar counts items from 1 to the folder's count. A folder of 0 or 1
// items would give a maximum not above the minimum, which QProgressBar shows
// as a busy animation (0..0) or an undefined ratio; such a folder gets the
// range 0..1 instead, so an empty folder shows an empty bar and a folder of
// one item a full bar once that item is reached. The run goes on either way.
void setItemRange(QProgressBar &bar, int count)
{
    if (count < 2)
        bar.setRange(0, 1);
    else
        bar.setRange(1, count);
}

void countSaved(qint32 &updated)
{
    if (updated == std::numeric_limits<qint32>::max())
        throw QuenlockError(QStringLiteral("Overflow"));
    ++updated;
}
} // namespace

void UC1::cmdReplace_Click()
{
    if (Dirty()) {
        prompt().ask(this,
                     QStringLiteral("You must click Apply to save your settings, then you can click Replace."),
                     Prompt::Buttons::Ok);
        return;
    }
    {
        const QString searchText = txtSearchFor->text();
        const QString replaceText = txtReplaceWith->text();
        const QString question = QStringLiteral("Are you SURE you want to replace all occurrences of '")
                                 + searchText + QStringLiteral("' with '") + replaceText
                                 + QStringLiteral("'");
        if (prompt().ask(this, question, Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
            return;
    }

    // Step numbers go into the error line; they are set at fixed places and
    // never reset, so a line tells the last place the run passed.
    int checkpoint = 0;
    QString folderName;
    // A contact wrapper lives from its creation to the end of its item; while
    // it does, the error line names the contact.
    std::unique_ptr<SafeContactItem> contact;
    try {
        checkpoint = 2;
        if (!m_host)
            notSet();
        const std::shared_ptr<OlApplication> application = m_host->OutlookApplication();

        checkpoint = 4;
        const std::shared_ptr<OlNamespace> nameSpace = required(application).GetNamespace(QStringLiteral("MAPI"));

        checkpoint = 6;
        const qint32 folderCount = textToLong(ReadSetting(QLatin1String(Keys::FolderCount), QStringLiteral("0")));
        qint32 updated = 0;
        const QString searchText = txtSearchFor->text();
        const QString replaceText = txtReplaceWith->text();
        const qint32 caseValue = chkCaseSensitive->isChecked() ? 1 : 0;
        LoadFieldFlags();

        const QString notFound = QLatin1String(Keys::NotFound);
        for (qint32 n = 1; n <= folderCount; ++n) {
            folderName = ReadSetting(Keys::numbered(Keys::FolderName, n), notFound);
            QString folderEntryId = ReadSetting(Keys::numbered(Keys::FolderEntryId, n), notFound);
            QString folderStoreId = ReadSetting(Keys::numbered(Keys::FolderStoreId, n), notFound);
            if (folderName == notFound || folderEntryId == notFound)
                continue;
            if (folderEntryId == QLatin1String(Keys::Uninitialized)) {
                const auto defaultFolder = required(nameSpace).GetDefaultFolder(OlDefaultFolder::Contacts);
                folderEntryId = required(defaultFolder).EntryID();
                folderStoreId = defaultFolder->StoreID();
            }

            lblFolderName->setText(QStringLiteral("Folder: ") + folderName);
            lblFolderName->setVisible(true);
            lblFolderName->repaint();

            checkpoint = 10;
            IEngineAPI *engine = m_host->engine();
            if (!engine)
                notSet();
            std::shared_ptr<OlFolder> folder = engine->KTGetFolder(folderEntryId, folderStoreId);
            if (!folder)
                continue;

            std::shared_ptr<OlItems> items = folder->Items();
            const int itemCount = required(items).Count();
            setItemRange(*ProgressBar1, itemCount);
            ProgressBar1->setVisible(true);

            WriteToLog(FunctionName, QStringLiteral("Count of items in folder '") + folder->Name()
                                         + QStringLiteral("': ") + QString::number(itemCount));
            WriteToLog(FunctionName, QStringLiteral("Looking for '") + searchText
                                         + QStringLiteral("' replacing with '") + replaceText
                                         + QStringLiteral("'; Case sensitive: ")
                                         + QString::number(caseValue));

            const int bound = items->Count();
            for (int i = 1; i <= bound; ++i) {
                ProgressBar1->setValue(i);
                ProgressBar1->repaint();
                std::shared_ptr<OlItem> item = items->Item(i);
                const QString typeName = required(item).TypeName();

                if (typeName == QLatin1String(OlTypeName::Contact)) {
                    checkpoint = 11;
                    contact = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
                    contact->setItem(item);
                    const bool changed = SearchAndReplaceContacts(folderStoreId, folderEntryId, *contact,
                                                                  searchText, replaceText, caseValue);
                    checkpoint = 12;
                    if (changed) {
                        checkpoint = 18;
                        contact->Save();
                        countSaved(updated);
                    }
                    contact.reset();
                } else if (typeName == QLatin1String(OlTypeName::Appointment)
                           || typeName == QLatin1String(OlTypeName::Task)) {
                    const bool isTask = typeName == QLatin1String(OlTypeName::Task);
                    checkpoint = 20;
                    checkpoint = 22;
                    std::unique_ptr<SafeItem> wrapper;
                    if (isTask)
                        wrapper = ClassFactory::create<SafeTaskItem>(QLatin1String(ProgId::SafeTaskItem));
                    else
                        wrapper = ClassFactory::create<SafeAppointmentItem>(
                            QLatin1String(ProgId::SafeAppointmentItem));
                    checkpoint = 24;
                    wrapper->setItem(item);
                    checkpoint = 26;
                    const bool changed
                        = isTask ? SearchAndReplaceTasks(folderStoreId, folderEntryId, *wrapper,
                                                         searchText, replaceText, caseValue)
                                 : SearchAndReplaceAppointments(folderStoreId, folderEntryId, *wrapper,
                                                                searchText, replaceText, caseValue);
                    if (changed) {
                        checkpoint = 28;
                        wrapper->Save();
                        countSaved(updated);
                    }
                }
                // Any other kind (mail, note, distribution list) is passed over.
            }
        }

        ProgressBar1->setValue(ProgressBar1->minimum());
        ProgressBar1->setVisible(false);
        if (folderCount == 1)
            lblFolderName->setText(QStringLiteral("Updated %1 items in 1 folder").arg(updated));
        else
            lblFolderName->setText(QStringLiteral("Updated %1 items in %2 folders").arg(updated).arg(folderCount));
    } catch (const QuenlockError &error) {
        QString message = QStringLiteral("Error occurred.  LastLineNumber: ") + QString::number(checkpoint);
        if (contact) {
            // The name is only a pointer for the reader; when it cannot be
            // read the line still goes out, with the contact left blank and
            // the run's own reason kept.
            QString name;
            try {
                name = contact->FullNameAndCompany();
            } catch (const QuenlockError &) {
            }
            message += QStringLiteral("  Folder: ") + folderName + QStringLiteral("  Contact: ") + name;
        } else if (!folderName.isEmpty()) {
            message += QStringLiteral("  Folder: ") + folderName;
        }
        message += QStringLiteral("  Reason: ") + error.description();
        engineUtility().LogMessage(message, 0, ErrorSource);
    }
}
