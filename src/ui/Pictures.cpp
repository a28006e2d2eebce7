#include "Pictures.h"

#include <QPainter>
#include <QSvgRenderer>

namespace Pictures {

QPixmap pixmap(const QString& resource, qreal devicePixelRatio) {
    QSvgRenderer renderer(resource);
    const QSize size = renderer.defaultSize();
    QPixmap out(size * devicePixelRatio);
    out.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&out);
        renderer.render(&painter);
    }
    out.setDevicePixelRatio(devicePixelRatio);
    return out;
}

QIcon icon(const QString& resource) {
    QIcon out;
    for (qreal ratio : {1.0, 2.0, 3.0})
        out.addPixmap(pixmap(resource, ratio));
    return out;
}

QIcon applicationIcon() {
    QIcon out;
    QSvgRenderer renderer(QStringLiteral(":/icons/org.quorix.Quorix.svg"));
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap p(side, side);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        renderer.render(&painter);
        painter.end();
        out.addPixmap(p);
    }
    return out;
}

} // namespace Pictures
