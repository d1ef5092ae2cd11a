// SPDX-License-Identifier: MIT
// What the host knows of the settings a user types: which keys exist, what
// each can hold, and the names of fields and field groups.
#pragma once

#include "fieldtable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace SettingRules {
// Why key cannot hold value ("unknown key", "... needs a whole number"), or
// nothing when it can.
std::optional<QString> refusal(const QString &key, const QString &value);
// "contact", "appointment" or "task".
QString kindOf(FieldTable::Page page);
// The groups --fields takes a field in: its preset group, its kind's plural, "all".
QStringList groupsOf(const FieldTable::Field &field);
// The fields named by one word of --fields: a group, or a key, caption or
// property name (every field with it); case, blanks and punctuation aside.
// Empty: no such name.
QList<const FieldTable::Field *> fieldsNamed(const QString &name);
// Every group name --fields takes, for completion and messages.
QStringList groupNames();
} // namespace SettingRules
