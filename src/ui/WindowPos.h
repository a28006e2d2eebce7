#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

// The stored "MainWindowPos": "flags:showState:left:top:right:bottom", six integers written the
// way C's %i reads them (decimal, 0x hexadecimal, leading-0 octal, optionally signed).
namespace WindowPos {

struct Placement {
    int flags = 0;
    int showState = 1;
    // left, top, right and bottom of the window in its normal state.
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Nothing unless exactly six integers can be read; what follows the sixth is not looked at.
std::optional<Placement> parse(const QString& text);
QString format(const Placement& placement);

// Where the stored rectangle may go on these screens (their available areas): unchanged when
// one screen holds it whole; otherwise moved onto the screen that holds most of it and made
// no larger than that screen; the fallback when it lies on no screen or has no area. Any
// stored values are safe, however large.
QRect fit(const Placement& placement, const QList<QRect>& screens, const QRect& fallback);

// The main window's place before anything was stored, and after Window > Restore: at
// (100, 100), as large as the window's size hint asks (412 x 268 at least), on the screen.
QRect startupRect(const QWidget& window);
// Whether the platform tells and takes a window's place on the screen: Wayland does neither (a
// window's position there is the title bar's offset, and the compositor places it).
bool platformPlacesWindows();
// Puts the window at the stored placement, fitted to today's screens, or at startupRect();
// where the platform places windows itself, only the size is applied.
void applyStartupPlacement(QWidget& window, const QString& stored);
// The placement to store for the window: nothing while it is minimized, maximized or full
// screen, so that its normal place is kept. Where the platform places windows itself, the
// stored position (in `stored`) is kept and only the size is new.
std::optional<QString> placementOf(const QWidget& window, const QString& stored = {});
// Window > Restore: the normal state at startupRect().
void restore(QWidget& window);

} // namespace WindowPos
