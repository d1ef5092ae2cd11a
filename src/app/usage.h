// SPDX-License-Identifier: MIT
// The host's usage texts, whole and per command.
#pragma once

#include <QString>

namespace UsageText {
// Every command, one or two lines each.
QString general();
// The usage of one command, with its options; empty for an unknown command.
QString of(const QString &command);
// "quenlock 1.0.42": the version the build was given, once.
QString version();
} // namespace UsageText
