// SPDX-License-Identifier: MIT
#include "fieldflags.h"

#include "module/textnumber.h"
#include "settingsaccess.h"
#include "settingskeys.h"

namespace {
template <class Keys>
void loadFlags(FieldFlags &set, const Keys &keys)
{
    for (const char *key : keys)
        set.flags.insert(QLatin1String(key),
                         textToLong(ReadSetting(QLatin1String(key), QStringLiteral("0"))));
}
} // namespace

void LoadFieldFlags(FieldFlags &set)
{
    loadFlags(set, Keys::ContactFlags);
    set.specialInstructions = ReadSetting(QLatin1String(Keys::SpecialInstructions),
                                          QLatin1String(Keys::SpecialNone));
    loadFlags(set, Keys::AppointmentFlags);
    loadFlags(set, Keys::TaskFlags);
}

#include "uc1.h"

void UC1::LoadFieldFlags() { ::LoadFieldFlags(m_fieldFlags); }
