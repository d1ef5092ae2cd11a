// SPDX-License-Identifier: MIT
#include "formmetrics.h"

#include <QWidget>
#include <cmath>

int FormMetrics::twips(const QWidget *widget, int value)
{
    const double dpi = widget ? widget->logicalDpiX() : 96.0;
    return int(std::lround(value / 15.0 * dpi / 96.0));
}

QRect FormMetrics::twipsRect(const QWidget *widget, int left, int top, int width, int height)
{
    return QRect(twips(widget, left), twips(widget, top), twips(widget, width),
                 twips(widget, height));
}

QFont FormMetrics::formFont()
{
    QFont font;
    // Liberation Sans and Arimo share Arial's widths, the nearest cousins
    // Linux usually has; DejaVu Sans is wider but always there.
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}
