#include "CardButton.h"

#include "Pictures.h"

CardButton::CardButton(int commandId, const QString& picture, const QString& hoverText,
                       QWidget* parent)
    : QToolButton(parent)
    , m_commandId(commandId)
    , m_hoverText(hoverText) {
    const QIcon icon = Pictures::icon(picture);
    setIcon(icon);
    setIconSize(icon.availableSizes().value(0, QSize(20, 20)));
    setFixedSize(25, 25);
    setAutoRaise(false);
    setFocusPolicy(Qt::NoFocus); // the editor keeps the keyboard
    setMouseTracking(true);
    setAccessibleName(hoverText);
    connect(this, &QToolButton::clicked, this, [this] { Q_EMIT commandRequested(m_commandId); });
}

void CardButton::enterEvent(QEnterEvent* event) {
    QToolButton::enterEvent(event);
    Q_EMIT hovered(m_hoverText);
}

void CardButton::mouseMoveEvent(QMouseEvent* event) {
    QToolButton::mouseMoveEvent(event);
    Q_EMIT hovered(m_hoverText);
}
