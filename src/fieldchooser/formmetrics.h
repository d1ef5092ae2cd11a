// SPDX-License-Identifier: MIT
// Form measures in twips and the forms' font, as Qt pixels and a QFont.
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace FormMetrics {
// 15 twips to the pixel at 96 dpi, scaled by the widget's logical dpi.
int twips(const QWidget *widget, int value);
QRect twipsRect(const QWidget *widget, int left, int top, int width, int height);
// "Microsoft Sans Serif" 8.25 pt where installed, else the closest sans serif.
QFont formFont();
} // namespace FormMetrics
