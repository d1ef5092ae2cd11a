// SPDX-License-Identifier: MIT
#include "page/uc1.h"

#include "itemprocessor.h"
#include "module/progids.h"
#include "page/regexcontrol.h"

bool UC1::SearchAndReplaceContacts(const QString &folderStoreId, const QString &folderEntryId,
                                   SafeItem &wrapper, const QString &searchText,
                                   const QString &replacement, qint32 caseFlag)
{
    return runItemProcessor(*this, [this]() -> RegexControl & { return regularExpressions(); },
                            ContactProcessor,
                            {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

bool UC1::SearchAndReplaceAppointments(const QString &folderStoreId, const QString &folderEntryId,
                                       SafeItem &wrapper, const QString &searchText,
                                       const QString &replacement, qint32 caseFlag)
{
    return runItemProcessor(*this, [this]() -> RegexControl & { return regularExpressions(); },
                            AppointmentProcessor,
                            {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

bool UC1::SearchAndReplaceTasks(const QString &folderStoreId, const QString &folderEntryId,
                                SafeItem &wrapper, const QString &searchText,
                                const QString &replacement, qint32 caseFlag)
{
    return runItemProcessor(*this, [this]() -> RegexControl & { return regularExpressions(); },
                            TaskProcessor,
                            {folderStoreId, folderEntryId, wrapper, searchText, replacement, caseFlag});
}

// Created on first use, so a page that never replaces needs no control.
RegexControl &UC1::regularExpressions()
{
    if (!m_regularExpressions)
        m_regularExpressions = ClassFactory::create<RegexControl>(QLatin1String(ProgId::RegexControl));
    return *m_regularExpressions;
}
