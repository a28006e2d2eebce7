#pragma once

#include "output/PrintPage.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

class QPrinter;

// A print job on a QPrinter at the printer's resolution, in 10-point Arial (Liberation Sans,
// its metric twin, where Arial is not installed). The job starts with its first page, so a
// job without pages prints nothing at all.
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
    void finish() override;

    void textAt(int x, int y, const QString& text) override;
    void penMoveTo(int x, int y) override;
    void penDraw(QChar c) override;
    int penX() const override { return m_penX; }

    static QFont printFont();

private:
    QPrinter& m_printer;
    QPainter m_painter;
    QFont m_font;
    QFontMetrics m_metrics;
    int m_width;
    int m_height;
    int m_lineHeight;
    int m_maxCharWidth;
    int m_ascent;
    int m_penX = 0;
    int m_penY = 0;
    int m_pages = 0;
};
