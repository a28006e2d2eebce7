#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn as SVG and rendered sharp for the screen they land on.
namespace Pictures {

// A picture of the resources (":/pictures/next.svg") at its own size in device-independent
// pixels, for the given device pixel ratio.
QPixmap pixmap(const QString& resource, qreal devicePixelRatio);
// The same picture at 1x and 2x, so it stays crisp on high-density screens.
QIcon icon(const QString& resource);
// The application's icon.
QIcon applicationIcon();

} // namespace Pictures
