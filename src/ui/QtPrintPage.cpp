#include "QtPrintPage.h"

#include "ReadingDirection.h"
#include "files/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

QFont QtPrintPage::printFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void QtPrintPage::proposePdf(QPrinter& printer, const QString& deckPath) {
    const QFileInfo deck(FileNames::display(deckPath));
    const QString name =
        (deckPath.isEmpty() ? QStringLiteral("Untitled") : deck.completeBaseName()) +
        QStringLiteral(".pdf");
    printer.setDocName(name); // the dialog makes its proposal from this
    if (deckPath.isEmpty())
        return;
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        printer.setOutputFileName(deck.absoluteDir().filePath(name));
    else if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(QFileInfo(printer.outputFileName()).dir().filePath(name));
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
    (void)finish();
}

bool QtPrintPage::startPage() {
    m_pages.emplace_back();
    return true;
}

bool QtPrintPage::finish() {
    if (m_finished || m_pages.empty())
        return true;
    m_finished = true;
    // The pages the dialog asked for (all when it named none), each as many times as asked;
    // a printer that makes the copies itself is sent them once.
    const int count = static_cast<int>(m_pages.size());
    const int from = m_printer.fromPage() > 0 ? std::min(m_printer.fromPage(), count) : 1;
    const int to = m_printer.toPage() > 0 ? std::min(m_printer.toPage(), count) : count;
    const int copies = m_printer.supportsMultipleCopies() ? 1 : std::max(1, m_printer.copyCount());
    const bool collate = m_printer.collateCopies();
    std::vector<int> order;
    for (int copy = 0; copy < (collate ? copies : 1); ++copy) {
        for (int p = from; p <= to; ++p) {
            for (int again = 0; again < (collate ? 1 : copies); ++again)
                order.push_back(p - 1);
        }
    }
    QPainter painter;
    if (!painter.begin(&m_printer))
        return false;
    painter.setFont(m_font);
    painter.setPen(Qt::black);
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && !m_printer.newPage())
            return false;
        drawPage(painter, m_pages[static_cast<std::size_t>(order[i])]);
    }
    return painter.end();
}

void QtPrintPage::drawPage(QPainter& painter, const Page& page) const {
    // A line of a paragraph takes the paragraph's direction, whatever its own first word.
    const QTextOption fromTheLeft = ReadingDirection::option(Qt::LeftToRight);
    const QTextOption fromTheRight = ReadingDirection::option(Qt::RightToLeft);
    for (const Text& t : page) {
        if (t.right > t.x)
            painter.drawText(QRectF(t.x, t.y, t.right - t.x, m_lineHeight), t.text,
                             t.rightToLeft ? fromTheRight : fromTheLeft);
        else
            painter.drawText(QPoint(t.x, t.y + m_ascent), t.text);
    }
}

void QtPrintPage::textAt(int x, int y, const QString& text) {
    if (!m_pages.empty())
        m_pages.back().push_back({x, y, text});
}

void QtPrintPage::lineAt(int left, int right, int y, const QString& text, bool rightToLeft) {
    if (!m_pages.empty())
        m_pages.back().push_back({left, y, text, right, rightToLeft});
}
