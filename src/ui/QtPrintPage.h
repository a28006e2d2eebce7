#pragma once

#include "ports/PrintPage.h"

#include <QFont>
#include <QFontMetrics>

#include <vector>

class QPainter;
class QPrinter;

// A print job on a QPrinter at the printer's resolution, in 10-point Arial (Liberation Sans,
// its metric twin, where Arial is not installed). The pages are gathered as they are laid
// out and sent when the job finishes, so that the print dialog's page range and copies apply
// whatever the printer (a PDF file makes no copies of its own). A job without pages prints
// nothing at all.
class QtPrintPage : public PrintPage {
public:
    QtPrintPage(QPrinter& printer, const QString& documentName);
    ~QtPrintPage() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    int lineHeight() const override { return m_lineHeight; }
    int maxCharWidth() const override { return m_maxCharWidth; }

    bool startPage() override;
    void endPage() override {}
    bool finish() override;

    void textAt(int x, int y, const QString& text) override;
    int textWidth(const QString& text) const override { return m_metrics.horizontalAdvance(text); }
    void lineAt(int left, int right, int y, const QString& text, bool rightToLeft) override;

    static QFont printFont();
    // Before the print dialog: the PDF file it offers is named after the deck (deck.pdf, or
    // Untitled.pdf), in the deck's own folder where a PDF file is the only choice.
    static void proposePdf(QPrinter& printer, const QString& deckPath);

private:
    struct Text {
        int x;
        int y;
        QString text;
        int right = 0; // a right-to-left line ends here
        bool rightToLeft = false;
    };
    using Page = std::vector<Text>;
    void drawPage(QPainter& painter, const Page& page) const;

    QPrinter& m_printer;
    QFont m_font;
    QFontMetrics m_metrics;
    int m_width;
    int m_height;
    int m_lineHeight;
    int m_maxCharWidth;
    int m_ascent;
    std::vector<Page> m_pages;
    bool m_finished = false;
};
