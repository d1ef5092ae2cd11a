// SPDX-License-Identifier: MIT
#include "page/uc1.h"

bool UC1::SearchAndReplaceContacts(const QString &, const QString &, SafeItem &, const QString &,
                                   const QString &, qint32) { return false; }
bool UC1::SearchAndReplaceAppointments(const QString &, const QString &, SafeItem &, const QString &,
                                       const QString &, qint32) { return false; }
bool UC1::SearchAndReplaceTasks(const QString &, const QString &, SafeItem &, const QString &,
                                const QString &, qint32) { return false; }

#include "module/progids.h"
#include "page/regexcontrol.h"

RegexControl &UC1::regularExpressions()
{
    if (!m_regularExpressions)
        m_regularExpressions = ClassFactory::create<RegexControl>(QLatin1String(ProgId::RegexControl));
    return *m_regularExpressions;
}
