#pragma once

#include <QString>
#include <QTextOption>

// A line of text laid out in the direction its first letter is read, whatever the window's
// own direction: a Hebrew or Arabic index reads from the right edge, with a left-to-right
// word in it where it belongs.
namespace ReadingDirection {

inline Qt::LayoutDirection of(const QString& text) {
    return text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
}

// The horizontal alignment and direction flags for QPainter::drawText.
inline int drawFlags(const QString& text) {
    return text.isRightToLeft() ? Qt::AlignRight | Qt::AlignAbsolute | Qt::TextForceRightToLeft
                                : Qt::AlignLeft | Qt::AlignAbsolute | Qt::TextForceLeftToRight;
}

// A text option for one line in a direction (aligned to the side it is read from), which
// never wraps.
inline QTextOption option(Qt::LayoutDirection direction) {
    QTextOption option(direction == Qt::RightToLeft ? Qt::AlignRight | Qt::AlignAbsolute
                                                    : Qt::AlignLeft | Qt::AlignAbsolute);
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::NoWrap);
    return option;
}

} // namespace ReadingDirection
