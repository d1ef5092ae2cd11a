// SPDX-License-Identifier: MIT
#include "fieldflags.h"

#include "settingsaccess.h"
#include "settingskeys.h"
#include "textnumber.h"

namespace {
template <class Keys>
void loadFlags(FieldFlags &set, SettingsAccess &settings, const Keys &keys)
{
    for (const char *key : keys)
        set.flags.insert(QLatin1String(key),
                         textToLong(settings.read(QLatin1String(key), QStringLiteral("0"))));
}
} // namespace

void LoadFieldFlags(FieldFlags &set, SettingsAccess &settings)
{
    loadFlags(set, settings, Keys::ContactFlags);
    set.specialInstructions = settings.read(QLatin1String(Keys::SpecialInstructions),
                                            QLatin1String(Keys::SpecialNone));
    loadFlags(set, settings, Keys::AppointmentFlags);
    loadFlags(set, settings, Keys::TaskFlags);
}
