#include "Contrast.h"

#include <cmath>

namespace Contrast {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double ratio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& background, const QColor& ink) {
    if (ratio(background, ink) >= 4.5)
        return ink;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ratio(background, black) >= ratio(background, white) ? black : white;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() + (y.redF() - x.redF()) * t),
                            float(x.greenF() + (y.greenF() - x.greenF()) * t),
                            float(x.blueF() + (y.blueF() - x.blueF()) * t));
}

bool isDark(const QColor& c) {
    return luminance(c) < 0.18; // darker than middle grey
}

} // namespace Contrast
