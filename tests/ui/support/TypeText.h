#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

// Types any text, one key event per character, as a keyboard layout or input method would
// deliver it (QTest's key clicks know only ASCII).
inline void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
