#pragma once

#include <QString>

// A page to print on, in the printer's own units (its pixels). Text is drawn with one font,
// whose line height and widest character the layout needs. A line is always drawn whole, so
// that it is shaped, its marks sit on their letters and it reads in bidirectional order.
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
    // The width of text drawn as one line.
    virtual int textWidth(const QString& text) const = 0;
    // A line of a paragraph between left and right with its top at y; a line of a
    // right-to-left paragraph is ordered and aligned from the right.
    virtual void lineAt(int left, int right, int y, const QString& text, bool rightToLeft) = 0;
};
