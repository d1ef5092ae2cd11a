// SPDX-License-Identifier: MIT
#include "pimapplication.h"

#include "page/outlook/olapplication.h"

std::shared_ptr<OlApplication> Pim::createApplication(const QStringList &, const QString &)
{
    return nullptr;
}
