#pragma once

#include <QToolButton>

// A small picture button on the front card's header. Resting the mouse on it tells in the
// status bar what it does, and so does its tooltip (with its key, where it has one).
class CardButton : public QToolButton {
    Q_OBJECT
public:
    CardButton(int commandId, const QString& picture, const QString& hoverText, const QString& key,
               QWidget* parent);
    int commandId() const { return m_commandId; }

Q_SIGNALS:
    void hovered(const QString& text);
    void commandRequested(int id);

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The picture, with a light rim where the button face is dark, so it stays visible.
    void updatePicture();

    int m_commandId;
    QString m_picture;
    QString m_hoverText;
};
