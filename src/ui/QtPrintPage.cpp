#include "QtPrintPage.h"

#include <QFontMetrics>
#include <QPrinter>

QFont QtPrintPage::printFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QtPrintPage::QtPrintPage(QPrinter& printer, const QString& documentName)
    : m_printer(printer)
    , m_font(printFont(), &printer)
    , m_metrics(m_font, &printer) {
    m_printer.setDocName(documentName);
    const QFontMetrics& fm = m_metrics;
    // The font's height plus its internal leading: the part of the height above the em.
    const int em = qRound(m_font.pointSizeF() * m_printer.logicalDpiY() / 72.0);
    m_lineHeight = fm.height() + std::max(0, fm.height() - em);
    m_maxCharWidth = fm.maxWidth();
    m_ascent = fm.ascent();
    m_width = m_printer.width();
    m_height = m_printer.height();
}

QtPrintPage::~QtPrintPage() {
    finish();
}

bool QtPrintPage::startPage() {
    if (m_pages++ == 0) {
        if (!m_painter.begin(&m_printer))
            return false;
        m_painter.setFont(m_font);
        m_painter.setPen(Qt::black);
        return true;
    }
    return m_painter.isActive() && m_printer.newPage();
}

void QtPrintPage::finish() {
    if (m_painter.isActive())
        m_painter.end();
}

void QtPrintPage::textAt(int x, int y, const QString& text) {
    m_painter.drawText(QPoint(x, y + m_ascent), text);
}

void QtPrintPage::penMoveTo(int x, int y) {
    m_penX = x;
    m_penY = y;
}

void QtPrintPage::penDraw(QChar c) {
    m_painter.drawText(QPoint(m_penX, m_penY + m_ascent), QString(c));
    m_penX += m_metrics.horizontalAdvance(c);
}
