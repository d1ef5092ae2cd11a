// SPDX-License-Identifier: MIT
#include "pimclasses.h"

#include "progids.h"
#include "safeitems.h"

void Pim::registerPimClasses()
{
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds)
        ClassFactory::registerClass(QLatin1String(kind.progId), [&kind]() -> std::unique_ptr<ComObject> {
            if (kind.page == FieldTable::Page::Contacts)
                return std::make_unique<PimContactWrapper>();
            return std::make_unique<PimItemWrapper>(kind);
        });
    ClassFactory::registerClass(QLatin1String(ProgId::MapiUtils),
                                [] { return std::make_unique<PimMapiUtils>(); });
}
