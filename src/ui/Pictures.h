#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn as SVG and rendered sharp for the screen they land on.
namespace Pictures {

// A picture of the resources (":/pictures/next.svg") at its own size in device-independent
// pixels, for the given device pixel ratio. With a rim colour, the picture gets a thin rim
// in it, which keeps its dark strokes visible on a dark face.
QPixmap pixmap(const QString& resource, qreal devicePixelRatio, const QColor& rim = {});
// The same picture at 1x, 2x and 3x, so it stays crisp on high-density screens.
QIcon icon(const QString& resource, const QColor& rim = {});
// The application's icon.
QIcon applicationIcon();

} // namespace Pictures
