// SPDX-License-Identifier: MIT
#include "fieldflags.h"

#include "itemkinds.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "textnumber.h"

void LoadFieldFlags(FieldFlags &set, SettingsAccess &settings)
{
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds) {
        for (const FieldTable::Field &field : kind.fields())
            set.flags.insert(QLatin1String(field.flagKey),
                             textToLong(settings.read(QLatin1String(field.flagKey), QStringLiteral("0"))));
        if (kind.holdsInstruction)
            set.specialInstructions = settings.read(QLatin1String(Keys::SpecialInstructions),
                                                    QLatin1String(Keys::SpecialNone));
    }
}
