// SPDX-License-Identifier: MIT
#include "pimclasses.h"

#include "progids.h"
#include "safeitems.h"

void Pim::registerPimClasses()
{
    ClassFactory::registerClass(QLatin1String(ProgId::SafeContactItem),
                                [] { return std::make_unique<PimContactWrapper>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeAppointmentItem),
                                [] { return std::make_unique<PimAppointmentWrapper>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeTaskItem),
                                [] { return std::make_unique<PimTaskWrapper>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::MapiUtils),
                                [] { return std::make_unique<PimMapiUtils>(); });
}
