#include "CardButton.h"

#include "Contrast.h"
#include "Pictures.h"

#include <QEvent>

CardButton::CardButton(int commandId, const QString& picture, const QString& hoverText,
                       const QString& key, QWidget* parent)
    : QToolButton(parent)
    , m_commandId(commandId)
    , m_picture(picture)
    , m_hoverText(hoverText) {
    setFixedSize(25, 25);
    setAutoRaise(false);
    setFocusPolicy(Qt::NoFocus); // the editor keeps the keyboard
    setMouseTracking(true);
    const QString tip = key.isEmpty() ? hoverText : hoverText + QStringLiteral(" (") + key + u')';
    setToolTip(tip);
    setAccessibleName(hoverText);
    setAccessibleDescription(tip);
    updatePicture();
    connect(this, &QToolButton::clicked, this, [this] { Q_EMIT commandRequested(m_commandId); });
}

void CardButton::updatePicture() {
    const QColor face = palette().color(QPalette::Button);
    const QIcon icon = Pictures::icon(
        m_picture, Contrast::isDark(face) ? palette().color(QPalette::ButtonText) : QColor());
    setIcon(icon);
    setIconSize(icon.availableSizes().value(0, QSize(20, 20)));
}

void CardButton::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updatePicture();
}

void CardButton::enterEvent(QEnterEvent* event) {
    QToolButton::enterEvent(event);
    Q_EMIT hovered(m_hoverText);
}

void CardButton::mouseMoveEvent(QMouseEvent* event) {
    QToolButton::mouseMoveEvent(event);
    Q_EMIT hovered(m_hoverText);
}
