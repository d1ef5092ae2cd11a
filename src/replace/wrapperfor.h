// SPDX-License-Identifier: MIT
// The safe-item wrapper that fits an item's type.
#pragma once

#include "olapplication.h"
#include "progids.h"
#include "safeitem.h"

#include <memory>

// A new wrapper for a contact, an appointment or a task (OlTypeName), not
// yet given its item; null for any other type.
inline std::unique_ptr<SafeItem> wrapperFor(const QString &typeName)
{
    if (typeName == QLatin1String(OlTypeName::Contact))
        return ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    if (typeName == QLatin1String(OlTypeName::Appointment))
        return ClassFactory::create<SafeAppointmentItem>(QLatin1String(ProgId::SafeAppointmentItem));
    if (typeName == QLatin1String(OlTypeName::Task))
        return ClassFactory::create<SafeTaskItem>(QLatin1String(ProgId::SafeTaskItem));
    return nullptr;
}
