#pragma once

#include <QString>

// A page to print on, in the printer's own units (its pixels). Text is drawn with one font,
// whose line height and widest character the layout needs; single characters go through a
// pen that moves on by each character's width.
class PrintPage {
public:
    virtual ~PrintPage() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    // The font's height plus its internal leading.
    virtual int lineHeight() const = 0;
    // The font's widest character.
    virtual int maxCharWidth() const = 0;

    // False when the printer refuses the page (or the job): nothing more can be printed.
    virtual bool startPage() = 0;
    virtual void endPage() = 0;
    // Ends the print job; nothing may be drawn afterwards. False when the printer refused
    // the job.
    virtual bool finish() = 0;

    // Text with its top-left corner at (x, y).
    virtual void textAt(int x, int y, const QString& text) = 0;
    virtual void penMoveTo(int x, int y) = 0;
    // Draws one character at the pen and moves the pen right by its width.
    virtual void penDraw(QChar c) = 0;
    virtual int penX() const = 0;
};
