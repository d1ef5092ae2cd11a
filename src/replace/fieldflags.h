// SPDX-License-Identifier: MIT
// The field-flag set a replace run reads, loaded from the store before every run.
#pragma once

#include <QHash>
#include <QString>

class SettingsAccess;

// One whole number per field-flag key plus the special instruction text.
struct FieldFlags
{
    QHash<QString, qint32> flags;
    QString specialInstructions;

    // Chosen when the stored number is not 0; keys never loaded count as 0.
    bool chosen(const QString &key) const { return flags.value(key, 0) != 0; }
};

// Reads each kind's keys in turn, SpecialInstructions right after the keys of
// the kind that holds it (the contacts), each with default 0 ("None" for the
// instruction). A stored flag
// that is not a number raises "Type mismatch" to the caller.
void LoadFieldFlags(FieldFlags &set, SettingsAccess &settings);
