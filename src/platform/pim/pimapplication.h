// SPDX-License-Identifier: MIT
// The Outlook application over vCard/iCalendar collections on disk.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class OlApplication;

namespace Pim {
// storeDirs: directories each holding collections (one sub-directory per
// folder). defaultContactsFolder: the collection GetDefaultFolder(10) answers,
// or empty for the first collection that holds vCards.
std::shared_ptr<OlApplication> createApplication(const QStringList &storeDirs,
                                                 const QString &defaultContactsFolder);
} // namespace Pim
