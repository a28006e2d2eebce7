#include "output/Printing.h"
#include "deck/CharacterSet.h"
#include "ports/PrintPage.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

// A page with fixed character widths that records every line drawn where it starts.
class FixedPage : public PrintPage {
public:
    struct Line {
        int page;
        int x;
        int y;
        std::string text;
        bool operator==(const Line&) const = default;
    };

    FixedPage(int w, int h, int lh, int charWidth, int mcw)
        : m_w(w)
        , m_h(h)
        , m_lh(lh)
        , m_cw(charWidth)
        , m_mcw(mcw) {}
    int width() const override { return m_w; }
    int height() const override { return m_h; }
    int lineHeight() const override { return m_lh; }
    int maxCharWidth() const override { return m_mcw; }
    bool startPage() override {
        ++pages;
        return pages <= pageLimit;
    }
    void endPage() override { ++endedPages; }
    bool finish() override {
        ++finished;
        return true;
    }
    void textAt(int x, int y, const QString& text) override {
        lines.push_back({pages, x, y, text.toStdString()});
    }
    int textWidth(const QString& text) const override {
        return m_cw * static_cast<int>(text.size());
    }
    void lineAt(int left, int right, int y, const QString& text, bool rightToLeft) override {
        const int x = rightToLeft ? right - textWidth(text) : left;
        lines.push_back({pages, x, y, text.toStdString()});
    }

    std::vector<Line> lines;
    int pages = 0;
    int endedPages = 0;
    int finished = 0;
    int pageLimit = 1000;

private:
    int m_w, m_h, m_lh, m_cw, m_mcw;
};

using Line = FixedPage::Line;
using Lines = std::vector<Line>;

void PrintTo(const Line& l, std::ostream* os) {
    *os << "p" << l.page << " (" << l.x << "," << l.y << ") \"" << l.text << '"';
}

// Box 0..200 wide: soft limit 200 - 20 - 10 = 170, hard limit 190; 10 pixels a character.
Lines bodyLines(std::string_view body) {
    FixedPage page(1000, 1000, 10, 10, 10);
    page.startPage();
    Printing::layoutBody(&page, body, CharacterSet(), {0, 0, 200, 1000}, 10, 10);
    return page.lines;
}

} // namespace

TEST(PrintLayout, SoftAndHardBreaks) {
    // The 17th character brings the pen to 170: a blank there ends the line.
    EXPECT_EQ(bodyLines("aaaaaaaaaaaaaaaa bbb"),
              (Lines{{1, 0, 0, "aaaaaaaaaaaaaaaa "}, {1, 0, 10, "bbb"}}));
    // A word running to the hard limit (190) is broken after the character that reaches it.
    EXPECT_EQ(bodyLines(std::string(25, 'w')),
              (Lines{{1, 0, 0, std::string(19, 'w')}, {1, 0, 10, std::string(6, 'w')}}));
    // Two blanks at a soft break: the first ends the line, the second is skipped, a third
    // would start the next line.
    EXPECT_EQ(bodyLines("aaaaaaaaaaaaaaaa  x"),
              (Lines{{1, 0, 0, "aaaaaaaaaaaaaaaa "}, {1, 0, 10, "x"}}));
    EXPECT_EQ(bodyLines("aaaaaaaaaaaaaaaa   x"),
              (Lines{{1, 0, 0, "aaaaaaaaaaaaaaaa "}, {1, 0, 10, " x"}}));
}

TEST(PrintLayout, LineBreaksAndTabs) {
    EXPECT_EQ(bodyLines("one\r\ntwo"), (Lines{{1, 0, 0, "one"}, {1, 0, 10, "two"}}));
    EXPECT_EQ(bodyLines("one\ntwo"), (Lines{{1, 0, 0, "one"}, {1, 0, 10, "two"}}));
    EXPECT_EQ(bodyLines("a\tb"), (Lines{{1, 0, 0, "a  b"}}));
    EXPECT_EQ(bodyLines("end\r"), (Lines{{1, 0, 0, "end"}}));
    // A lone CR breaks the line and loses nothing.
    EXPECT_EQ(bodyLines("one\rtwo"), (Lines{{1, 0, 0, "one"}, {1, 0, 10, "two"}}));
    // A blank right after a line break is stepped over, as after any break.
    EXPECT_EQ(bodyLines("one\r\n two"), (Lines{{1, 0, 0, "one"}, {1, 0, 10, "two"}}));
    EXPECT_TRUE(bodyLines("").empty());
}

TEST(PrintLayout, MeasuringFollowsTheSameRules) {
    const Printing::TextBox box{0, 100, 200, 1000};
    EXPECT_EQ(Printing::layoutBody(nullptr, "", CharacterSet(), box, 10, 10), 100);
    EXPECT_EQ(Printing::layoutBody(nullptr, "one\r\ntwo\r\nthree", CharacterSet(), box, 10, 10),
              120);
    EXPECT_EQ(Printing::layoutBody(nullptr, std::string(25, 'w'), CharacterSet(), box, 10, 10),
              110);
    // A TAB counts two characters: "aaaaaaaa\t\taaaa " reaches the soft limit at the blank.
    EXPECT_EQ(Printing::layoutBody(nullptr, "aaaaaaaa\t\taaaa x", CharacterSet(), box, 10, 10),
              110);
}

TEST(PrintJobs, CardPrintsPathIndexAndBody) {
    Deck deck;
    addCards(deck, {"Apple", "Pear"});
    putBody(deck, 0, "Body text");
    FixedPage page(1000, 1000, 10, 10, 10);
    Printing::printCard(page, deck, CharacterSet(), QStringLiteral("/decks/fruit.qrx"));
    EXPECT_EQ(page.lines, (Lines{{1, 30, 30, "/decks/fruit.qrx"},
                                 {1, 30, 50, "Index: Apple"},
                                 {1, 30, 60, "Body text"}}));
    EXPECT_EQ(page.pages, 1);
    EXPECT_EQ(page.endedPages, 1);
    EXPECT_EQ(page.finished, 1);

    // An untitled deck prints an empty header line. A body taller than the page goes on over
    // further pages, each with the same header, and no line is lost over the page's edge.
    std::string tall;
    for (int i = 0; i < 60; ++i)
        tall += "line" + std::to_string(i) + "\r";
    putBody(deck, 0, tall);
    FixedPage untitled(1000, 300, 10, 10, 10);
    EXPECT_TRUE(
        Printing::printCard(untitled, deck, CharacterSet(), QStringLiteral("/d/100%1 plan.qrx")));
    int bodyLines = 0;
    for (const Line& l : untitled.lines) {
        EXPECT_LE(l.y + 10, 300) << l.text;
        if (l.text.rfind("line", 0) == 0) {
            EXPECT_EQ(l.text, "line" + std::to_string(bodyLines++));
        }
    }
    EXPECT_EQ(bodyLines, 60);
    EXPECT_GT(untitled.pages, 2);
    EXPECT_EQ(untitled.endedPages, untitled.pages);
    for (int p = 1; p <= untitled.pages; ++p)
        EXPECT_NE(std::find(untitled.lines.begin(), untitled.lines.end(),
                            Line{p, 30, 30, "/d/100%1 plan.qrx"}),
                  untitled.lines.end())
            << "page " << p;
}

TEST(PrintJobs, HeadersKeepAPercentSignInThePath) {
    Deck deck;
    addCards(deck, {"a"});
    putTag(deck, 0, 1);
    FixedPage page(1000, 1000, 10, 10, 10);
    Printing::printList(page, deck, CharacterSet(), QStringLiteral("/d/100%1 plan.qrx"));
    EXPECT_EQ(page.lines.at(0).text, "/d/100%1 plan.qrx - page 1");
    FixedPage tagged(1000, 1000, 10, 10, 10);
    Printing::printTagged(tagged, deck, CharacterSet(), QStringLiteral("%2%1"));
    EXPECT_EQ(tagged.lines.at(0).text, "%2%1 - page 1");
}

TEST(PrintJobs, ListFillsPagesToTheListBottom) {
    // BL = 200 - 30 - 50 = 120; lines at y 80, 90, 100, 110: four to a page.
    Deck deck;
    addCards(deck, {"a", "b", "c", "d", "e"});
    deck.BringCardToFront(1);
    FixedPage page(1000, 200, 10, 10, 10);
    Printing::printList(page, deck, CharacterSet(), QString());
    EXPECT_EQ(page.lines, (Lines{{1, 25, 60, " - page 1"},
                                 {1, 25, 80, "Index: b"},
                                 {1, 25, 90, "Index: c"},
                                 {1, 25, 100, "Index: d"},
                                 {1, 25, 110, "Index: e"},
                                 {2, 25, 60, " - page 2"},
                                 {2, 25, 80, "Index: a"}}));
    EXPECT_EQ(page.pages, 2);
    EXPECT_EQ(page.finished, 1);
}

TEST(PrintJobs, TagPrintsTaggedCardsInOrderAndStartsANewPageWhenFull) {
    // m = 3 lh = 30, B = H - 2 m = 140; a card's body is measured from y = 5 lh = 50 on.
    Deck deck;
    addCards(deck, {"p0", "p1", "two", "p3", "p4", "five", "six"});
    putBody(deck, 2, "x");
    putTag(deck, 2, 1);
    putBody(deck, 5, "y");
    putTag(deck, 5, 3);
    putBody(deck, 6, "z1\r\nz2\r\nz3\r\nz4\r\nz5");
    putTag(deck, 6, 1);
    FixedPage page(1000, 200, 10, 10, 10);
    Printing::printTagged(page, deck, CharacterSet(), QStringLiteral("f.qrx"));
    EXPECT_EQ(page.lines, (Lines{{1, 30, 30, "f.qrx - page 1"},
                                 {1, 30, 50, "Index: two"},
                                 {1, 30, 60, "x"},
                                 {1, 30, 80, "Index: five"},
                                 {1, 30, 90, "y"},
                                 {2, 30, 30, "f.qrx - page 2"},
                                 {2, 30, 50, "Index: six"},
                                 {2, 30, 60, "z1"},
                                 {2, 30, 70, "z2"},
                                 {2, 30, 80, "z3"},
                                 {2, 30, 90, "z4"},
                                 {2, 30, 100, "z5"}}));
}

TEST(PrintJobs, TagEndsEvenWithACardTooTallForAnyPage) {
    Deck deck;
    addCards(deck, {"first", "tall", "last"});
    std::string tall;
    for (int i = 0; i < 60; ++i)
        tall += "t\r\n";
    for (int k = 0; k < 3; ++k)
        putTag(deck, k, 1);
    putBody(deck, 0, "a");
    putBody(deck, 1, tall);
    putBody(deck, 2, "c");
    FixedPage page(1000, 200, 10, 10, 10);
    Printing::printTagged(page, deck, CharacterSet(), QString());
    EXPECT_EQ(page.finished, 1);
    std::vector<std::string> indexes;
    int lines = 0;
    for (const Line& l : page.lines) {
        if (l.text.rfind("Index: ", 0) == 0)
            indexes.push_back(l.text + " p" + std::to_string(l.page));
        lines += l.text == "t";
        EXPECT_LE(l.y + 10, 200) << l.text; // the tall card goes on over further pages
    }
    EXPECT_EQ(lines, 60);
    const std::string last = "Index: last p" + std::to_string(page.pages);
    EXPECT_EQ(indexes, (std::vector<std::string>{"Index: first p1", "Index: tall p2", last}));
    EXPECT_GT(page.pages, 3);
}

TEST(PrintJobs, TagWithNothingTaggedHasNoPages) {
    Deck deck;
    addCards(deck, {"a", "b"});
    FixedPage page(1000, 200, 10, 10, 10);
    Printing::printTagged(page, deck, CharacterSet(), QString());
    EXPECT_EQ(page.pages, 0);
    EXPECT_EQ(page.finished, 1);
    // The command says so and asks for no printer at all.
    FakeUi ui;
    Printing::PrintTag(deck, CharacterSet(), QString(), ui);
    EXPECT_EQ(ui.log, QStringList{QStringLiteral("status:No cards are tagged")});
}

TEST(PrintCommands, CancelPrintsNothingAndAFailedPrinterSaysSo) {
    struct PrinterUi : FakeUi {
        PrinterSetup next = PrinterSetup::Cancelled;
        int asked = 0;
        PrinterSetup openPrinter(const QString&, std::unique_ptr<PrintPage>&) override {
            ++asked;
            return next;
        }
    } ui;
    Deck deck;
    addCards(deck, {"a"});
    Printing::PrintCard(deck, CharacterSet(), QString(), ui);
    EXPECT_TRUE(ui.messages.empty());
    ui.next = PrinterSetup::Failed;
    ui.answer(Answer::Ok);
    Printing::PrintList(deck, CharacterSet(), QString(), ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Print Failed"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.asked, 2);
}

TEST(PrintCommands, APrinterThatRefusesAPageSaysPrintFailed) {
    struct RefusingUi : FakeUi {
        PrinterSetup openPrinter(const QString&, std::unique_ptr<PrintPage>& page) override {
            auto fixed = std::make_unique<FixedPage>(1000, 200, 10, 10, 10);
            fixed->pageLimit = 1;
            page = std::move(fixed);
            return PrinterSetup::Ready;
        }
    } ui;
    Deck deck;
    for (int i = 0; i < 10; ++i)
        deck.AppendCard("card");
    ui.answer(Answer::Ok);
    Printing::PrintList(deck, CharacterSet(), QString(),
                        ui); // needs three pages; the second is refused
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Print Failed"));
    Printing::PrintCard(deck, CharacterSet(), QString(), ui); // one page: fine
    EXPECT_EQ(ui.messages.size(), 1u);
}
