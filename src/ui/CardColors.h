#pragma once

#include "Contrast.h"

#include <QPalette>
#include <QPen>

#include <cmath>

// The colours of the cards, all from the palette, so that a dark desktop theme or a style
// sheet reads as well as the default light one, which looks as it always has: white cards
// with black ink, a grey header with a raised frame. Every ink is checked to read on its face.
struct CardColors {
    QColor face;       // a card, and the header band of a card behind
    QColor ink;        // index text on a card behind
    QColor border;     // the outline of every card
    QColor rule;       // the line under the header of a card behind
    QColor headerFace; // the front card's header
    QColor headerInk;  // the front card's index
    QColor light;      // the raised frame's top and left edges
    QColor shadow;     // its right and bottom edges

    // A line of a card's frame: whole device pixels, the same number along every edge, however
    // the screen is scaled (a one-unit line at 1.5 would be drawn one or two pixels wide).
    static QPen line(const QColor& color, qreal devicePixelRatio) {
        QPen pen(color, std::max(1.0, std::floor(devicePixelRatio)));
        pen.setCosmetic(true);
        return pen;
    }

    static CardColors from(const QPalette& palette) {
        CardColors c;
        c.face = palette.color(QPalette::Base);
        c.ink = Contrast::readableOn(c.face, palette.color(QPalette::Text));
        c.border = c.ink;
        c.rule = Contrast::mix(c.face, c.ink, 0.25);
        c.headerFace = palette.color(QPalette::Button);
        c.headerInk = Contrast::readableOn(c.headerFace, palette.color(QPalette::ButtonText));
        c.light = palette.color(QPalette::Light);
        if (Contrast::ratio(c.light, c.headerFace) < 1.1)
            c.light = Contrast::mix(c.headerFace, Qt::white, 0.35);
        c.shadow = Contrast::mix(c.headerFace, c.headerInk, 0.62);
        return c;
    }
};
