#include "Pictures.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace Pictures {

QPixmap pixmap(const QString& resource, qreal devicePixelRatio, const QColor& rim) {
    QSvgRenderer renderer(resource);
    const QSize size = renderer.defaultSize() * devicePixelRatio;
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter);
    }
    if (rim.isValid()) {
        // The picture's shape in the rim colour, drawn around it and then covered by it.
        QImage shape = picture;
        {
            QPainter painter(&shape);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(shape.rect(), rim);
        }
        QImage rimmed(size, QImage::Format_ARGB32_Premultiplied);
        rimmed.fill(Qt::transparent);
        QPainter painter(&rimmed);
        const int r = std::max(1, qRound(devicePixelRatio));
        for (int dx = -r; dx <= r; dx += r) {
            for (int dy = -r; dy <= r; dy += r)
                painter.drawImage(dx, dy, shape);
        }
        painter.drawImage(0, 0, picture);
        painter.end();
        picture = rimmed;
    }
    QPixmap out = QPixmap::fromImage(picture);
    out.setDevicePixelRatio(devicePixelRatio);
    return out;
}

QIcon icon(const QString& resource, const QColor& rim) {
    QIcon out;
    for (qreal ratio : {1.0, 2.0, 3.0})
        out.addPixmap(pixmap(resource, ratio, rim));
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
