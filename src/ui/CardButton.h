#pragma once

#include <QToolButton>

// A small picture button on the front card's header. Resting the mouse on it tells in the
// status bar what it does.
class CardButton : public QToolButton {
    Q_OBJECT
public:
    CardButton(int commandId, const QString& picture, const QString& hoverText, QWidget* parent);
    int commandId() const { return m_commandId; }

Q_SIGNALS:
    void hovered(const QString& text);
    void commandRequested(int id);

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_commandId;
    QString m_hoverText;
};
