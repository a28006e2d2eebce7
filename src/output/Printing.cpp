#include "Printing.h"

#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "files/FileNames.h"
#include "ports/PrintPage.h"
#include "ports/UserInterface.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <memory>
#include <vector>

namespace Printing {

namespace {

QString indexLine(const Card& card, const CharacterSet& characterSet) {
    return QStringLiteral("Index: %1").arg(characterSet.decode(card.indexText()));
}

// One arg() with every value: the path may hold "%1" itself.
QString pageHeader(const QString& filePath, int page) {
    return QStringLiteral("%1 - page %2").arg(FileNames::display(filePath), QString::number(page));
}

// Margins and limits of one job, from the page and the font.
struct Job {
    int lh;
    int mcw;
    int margin;
    int right;  // Card and Tag
    int bottom; // Card and Tag
    explicit Job(const PrintPage& page)
        : lh(page.lineHeight())
        , mcw(page.maxCharWidth())
        , margin(3 * lh)
        , right(page.width() - margin)
        , bottom(page.height() - 2 * margin) {}
};

void run(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
         UserInterface& ui,
         bool (*print)(PrintPage&, const Deck&, const CharacterSet&, const QString&)) {
    std::unique_ptr<PrintPage> page;
    const PrinterSetup setup = ui.openPrinter(filePath, page);
    if (setup == PrinterSetup::Cancelled)
        return;
    if (setup == PrinterSetup::Failed || !page || !print(*page, deck, characterSet, filePath))
        ui.standardMessageBox(QStringLiteral("Print Failed"), MessageIcon::Exclamation);
}

// The job's end: false when the printer refused it.
bool finished(PrintPage& page, bool ok) {
    return page.finish() && ok;
}

// Starts a page; when the printer refuses, the job ends there.
bool start(PrintPage& page) {
    if (page.startPage())
        return true;
    (void)page.finish();
    return false;
}

} // namespace

int layoutBody(PrintPage* page, std::string_view body, const CharacterSet& characterSet,
               const TextBox& box, int mcw, int lh, const NextPage& nextPage) {
    const int softLimit = box.right - (box.right - box.left) / 10 - mcw;
    const int hardLimit = box.right - mcw;
    int y = box.top;
    if (body.empty())
        return box.top;

    // One character of text for each character of the set (a pair of bytes is one).
    const QString text = characterSet.decode(body);
    const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
    const auto rightToLeftFrom = [&](qsizetype at) {
        qsizetype end = at;
        while (end < text.size() && !isBreak(text[end]))
            ++end;
        return QStringView(text).mid(at, end - at).isRightToLeft();
    };
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    QString line;
    int penX = box.left;
    bool rightToLeft = rightToLeftFrom(0);
    const auto add = [&](QStringView part) {
        line += part;
        penX = page ? box.left + page->textWidth(line) : penX + mcw * static_cast<int>(part.size());
    };
    const auto endLine = [&] {
        if (page && !line.isEmpty())
            page->lineAt(box.left, box.right, y, line, rightToLeft);
        line.clear();
        penX = box.left;
    };

    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        qsizetype next = i + 1;
        if (c == u'\t') {
            add(u"  ");
        } else if (!isBreak(c)) {
            // A letter goes with its marks: drawn, and counted, together.
            clusters.setPosition(i);
            next = std::max(next, clusters.toNextBoundary());
            add(QStringView(text).mid(i, next - i));
        }
        // A CR LF pair counts as one LF. A lone CR is a line break of its own and keeps the
        // character after it; a CR that ends the body ends the text.
        QChar test = c;
        if (c == u'\r' && next < text.size() && text[next] == u'\n')
            test = text[next++];
        const bool paragraphEnds = isBreak(test);
        const bool lineBreak =
            penX >= hardLimit || paragraphEnds || (penX >= softLimit && test == u' ');
        i = next;
        if (lineBreak) {
            endLine();
            y += lh;
            if (paragraphEnds)
                rightToLeft = rightToLeftFrom(i);
            if (page && nextPage && i < text.size() && y + lh > page->height())
                y = nextPage();
            if (i < text.size() && text[i] == u' ')
                ++i; // one blank only
        }
    }
    endLine();
    return y;
}

bool printCard(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
               const QString& filePath) {
    const Job job(page);
    if (!start(page))
        return false;
    const QString header = FileNames::display(filePath);
    page.textAt(job.margin, job.margin, header);
    const Card& card = deck.card(0);
    page.textAt(job.margin, job.margin + 2 * job.lh, indexLine(card, characterSet));
    // A body taller than the page goes on over further pages, each with the same header.
    bool ok = true;
    const NextPage nextPage = [&] {
        page.endPage();
        ok = ok && page.startPage();
        page.textAt(job.margin, job.margin, header);
        return job.margin + 2 * job.lh;
    };
    layoutBody(&page, card.bodyText(), characterSet,
               {job.margin, job.margin + 3 * job.lh, job.right, job.bottom}, job.mcw, job.lh,
               nextPage);
    page.endPage();
    return finished(page, ok);
}

bool printList(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
               const QString& filePath) {
    const int lh = page.lineHeight();
    const int listBottom = page.height() - 3 * lh - 50;
    int next = 0;
    for (int number = 1; next < deck.count(); ++number) {
        if (!start(page))
            return false;
        page.textAt(25, 60, pageHeader(filePath, number));
        // At least one line goes on every page, so a page too small still makes progress.
        for (int y = 2 * lh + 60; next < deck.count();) {
            page.textAt(25, y, indexLine(deck.card(next++), characterSet));
            y += lh;
            if (y >= listBottom)
                break;
        }
        page.endPage();
    }
    return finished(page, true);
}

bool printTagged(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
                 const QString& filePath) {
    const Job job(page);
    const int n = deck.count();
    int lastTagged = -1;
    for (int e = 0; e < n; ++e) {
        if (deck.card(e).isTagged())
            lastTagged = e;
    }

    int pageNumber = 0;
    std::vector<const Card*> onPage;
    int y = 5 * job.lh;
    bool ok = true;
    // A card alone on its page that is taller than the page goes on over further pages.
    const NextPage nextPage = [&] {
        page.endPage();
        ok = ok && page.startPage();
        page.textAt(job.margin, job.margin, pageHeader(filePath, ++pageNumber));
        return job.margin + 2 * job.lh;
    };
    const auto printPage = [&] {
        ++pageNumber;
        if (!page.startPage())
            return false;
        page.textAt(job.margin, job.margin, pageHeader(filePath, pageNumber));
        int yp = job.margin;
        for (const Card* card : onPage) {
            yp += 2 * job.lh;
            page.textAt(job.margin, yp, indexLine(*card, characterSet));
            yp = layoutBody(&page, card->bodyText(), characterSet,
                            {job.margin, yp + job.lh, job.right, job.bottom}, job.mcw, job.lh,
                            nextPage);
        }
        page.endPage();
        onPage.clear();
        y = 5 * job.lh;
        return true;
    };

    for (int e = 0; e < n;) {
        const Card& card = deck.card(e);
        if (!card.isTagged()) {
            ++e;
            continue;
        }
        const int measured = layoutBody(nullptr, card.bodyText(), characterSet,
                                        {job.margin, y, job.right, job.bottom}, job.mcw, job.lh);
        if (measured >= job.bottom && !onPage.empty()) {
            // It goes to the next page: print this one and look at the card again.
            if (!printPage())
                break;
            continue;
        }
        // It fits, or it is too tall even for an empty page: then it is printed alone and
        // runs on below the bottom limit, as a single card does.
        onPage.push_back(&card);
        ++e;
        if (e - 1 == lastTagged || measured >= job.bottom) {
            if (!printPage())
                break;
        } else {
            y = measured + 3 * job.lh;
        }
    }
    return finished(page, ok && onPage.empty());
}

void PrintCard(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
               UserInterface& ui) {
    run(deck, characterSet, filePath, ui, printCard);
}

void PrintList(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
               UserInterface& ui) {
    run(deck, characterSet, filePath, ui, printList);
}

void PrintTag(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
              UserInterface& ui) {
    for (int k = 0; k < deck.count(); ++k) {
        if (deck.card(k).isTagged()) {
            run(deck, characterSet, filePath, ui, printTagged);
            return;
        }
    }
    ui.statusMessage(QStringLiteral("No cards are tagged"));
}

} // namespace Printing
