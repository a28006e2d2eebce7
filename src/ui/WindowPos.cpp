#include "WindowPos.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace WindowPos {

namespace {

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 99;
}

// One %i conversion at pos: leading blanks, a sign, then a base prefix. Values beyond the
// range of int saturate.
bool readInt(const QString& s, qsizetype& pos, int& value) {
    const qsizetype n = s.size();
    while (pos < n && (s[pos] == u' ' || s[pos] == u'\t' || s[pos] == u'\n' || s[pos] == u'\r' ||
                       s[pos] == u'\v' || s[pos] == u'\f'))
        ++pos;
    bool negative = false;
    if (pos < n && (s[pos] == u'+' || s[pos] == u'-'))
        negative = s[pos++] == u'-';
    int base = 10;
    bool digits = false;
    if (pos < n && s[pos] == u'0') {
        if (pos + 2 < n && (s[pos + 1] == u'x' || s[pos + 1] == u'X') &&
            digitValue(s[pos + 2].unicode()) < 16) {
            base = 16;
            pos += 2;
        } else {
            base = 8;
            digits = true; // the 0 itself
            ++pos;
        }
    }
    long long v = 0;
    while (pos < n && digitValue(s[pos].unicode()) < base) {
        v = v * base + digitValue(s[pos].unicode());
        if (v > static_cast<long long>(INT_MAX) + 1)
            v = static_cast<long long>(INT_MAX) + 1;
        digits = true;
        ++pos;
    }
    if (!digits)
        return false;
    v = negative ? -v : v;
    value = static_cast<int>(v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : v));
    return true;
}

} // namespace

std::optional<Placement> parse(const QString& text) {
    int v[6];
    qsizetype pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != u':')
                return std::nullopt;
            ++pos;
        }
        if (!readInt(text, pos, v[i]))
            return std::nullopt;
    }
    return Placement{v[0], v[1], v[2], v[3], v[4], v[5]};
}

QString format(const Placement& p) {
    QStringList numbers;
    for (int v : {p.flags, p.showState, p.left, p.top, p.right, p.bottom})
        numbers << QString::number(v);
    return numbers.join(u':');
}

QRect fit(const Placement& p, const QList<QRect>& screens, const QRect& fallback) {
    // In 64 bits: the stored numbers may be anything an int holds.
    const qint64 left = p.left;
    const qint64 top = p.top;
    const qint64 width = qint64(p.right) - p.left;
    const qint64 height = qint64(p.bottom) - p.top;
    if (width <= 0 || height <= 0)
        return fallback;
    double bestArea = 0;
    const QRect* best = nullptr;
    for (const QRect& screen : screens) {
        const qint64 x0 = std::max<qint64>(left, screen.left());
        const qint64 y0 = std::max<qint64>(top, screen.top());
        const qint64 x1 = std::min<qint64>(left + width, qint64(screen.right()) + 1);
        const qint64 y1 = std::min<qint64>(top + height, qint64(screen.bottom()) + 1);
        if (x0 == left && y0 == top && x1 == left + width && y1 == top + height)
            return QRect(int(left), int(top), int(width), int(height)); // one screen holds it
        const double area = (x1 > x0 && y1 > y0) ? double(x1 - x0) * double(y1 - y0) : 0;
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (!best)
        return fallback;
    const int w = int(std::min<qint64>(width, best->width()));
    const int h = int(std::min<qint64>(height, best->height()));
    const int x = int(std::clamp<qint64>(left, best->left(), qint64(best->right()) + 1 - w));
    const int y = int(std::clamp<qint64>(top, best->top(), qint64(best->bottom()) + 1 - h));
    return QRect(x, y, w, h);
}

QRect startupRect(const QWidget& window) {
    // What the window asks for at the desktop's font (the cards it is meant to show), never
    // less than the classic 412 x 268, and never more than the screen holds.
    QRect r(QPoint(100, 100), window.sizeHint().expandedTo(QSize(412, 268)));
    if (const QScreen* screen =
            window.screen() ? window.screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        r.setSize(r.size().boundedTo(area.size()));
        if (!area.contains(r))
            r.moveTopLeft(area.topLeft());
    }
    return r;
}

void applyStartupPlacement(QWidget& window, const QString& stored) {
    QRect r = startupRect(window);
    if (const auto p = parse(stored)) {
        // The stored rectangle is kept when it fits a screen; a huge one or one off every
        // screen (a screen since unplugged) is brought back where the user can see it.
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << screen->availableGeometry();
        r = fit(*p, screens, r);
    }
    if (platformPlacesWindows())
        window.move(r.topLeft());
    window.resize(r.size().expandedTo(QSize(1, 1)));
}

bool platformPlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::optional<QString> placementOf(const QWidget& window, const QString& stored) {
    if (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return std::nullopt;
    QPoint at = window.pos();
    if (!platformPlacesWindows()) {
        const std::optional<Placement> before = parse(stored);
        at = before ? QPoint(before->left, before->top) : startupRect(window).topLeft();
    }
    return format({0, 1, at.x(), at.y(), at.x() + window.width(), at.y() + window.height()});
}

void restore(QWidget& window) {
    window.setWindowState(window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    const QRect r = startupRect(window);
    if (platformPlacesWindows())
        window.move(r.topLeft());
    window.resize(r.size());
}

} // namespace WindowPos
