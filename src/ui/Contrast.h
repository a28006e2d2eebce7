#pragma once

#include <QColor>

// Colours that read on whatever palette the desktop or a style sheet gives: the cards are
// painted from the palette, and where a palette pairs two colours that would not read
// (contrast below 4.5:1, the WCAG level for text), black or white takes the ink's place.
namespace Contrast {

// The WCAG contrast ratio of two colours, from 1 (none) to 21 (black on white).
double ratio(const QColor& a, const QColor& b);
// ink when it reads on background, otherwise black or white, whichever reads better.
QColor readableOn(const QColor& background, const QColor& ink);
// a moved towards b by the fraction t (0 to 1).
QColor mix(const QColor& a, const QColor& b, double t);
bool isDark(const QColor& c);

} // namespace Contrast
