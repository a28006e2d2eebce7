#pragma once

#include <QWidget>

// Says a short text to screen readers without taking the keyboard: what a command found, a
// mode that changed, a count. Never seen on the screen.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void say(const QString& text);
};
