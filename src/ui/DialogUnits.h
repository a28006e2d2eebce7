#pragma once

#include <QFontMetrics>
#include <QRect>

// Dialog units: a quarter of the average character width across, an eighth of the font's
// height down, so a dialog laid out in them grows with its font.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& fm)
        : m_x(fm.horizontalAdvance(
                  QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
              52.0)
        , m_y(fm.height()) {}
    int x(int dlu) const { return qRound(dlu * m_x / 4.0); }
    int y(int dlu) const { return qRound(dlu * m_y / 8.0); }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    double m_x;
    double m_y;
};
