#include "support/FrameFixture.h"
#include "ui/CardButton.h"
#include "ui/CommandTable.h"

#include <QFile>
#include <QFontDatabase>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>

// Printing through the real Qt page into a PDF, read back with poppler's tools.
class PrintPdf : public FrameFixture {
protected:
    QString pdf() const { return path("out.pdf"); }

    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QString text() const {
        return run(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf(), QStringLiteral("-")});
    }
    int pages() const {
        const QString info = run(QStringLiteral("pdfinfo"), {pdf()});
        const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    void titled(std::initializer_list<const char*> cards) {
        showCards(cards);
        script.choose(path("deck.qrx"));
        ASSERT_TRUE(frame->session().documentCommands().SaveAs());
        dialogs.pdfPath = pdf();
    }
};

TEST_F(PrintPdf, CardPrintsItsHeaderIndexAndBody) {
    titled({"Apple", "Pear"});
    putBody(frame->deck(), 0, "Crisp and sweet.\r\n\tPick in October. Caf\xe9 \x80 2.");
    frame->runCommand(Cmd::PrintCard);
    const QString t = text();
    EXPECT_TRUE(t.contains(path("deck.qrx"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Index: Apple"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Crisp and sweet."))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Caf\u00e9 \u20ac 2."))) << t.toStdString();
    EXPECT_FALSE(t.contains(QStringLiteral("Pear")));
    EXPECT_EQ(pages(), 1);
}

TEST_F(PrintPdf, ThePdfIsNamedAfterTheDeck) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed: the dialog offers it first";
    titled({"Apple"});
    frame->runCommand(Cmd::PrintCard);
    EXPECT_EQ(dialogs.proposedPdf, path("deck.pdf")); // not print.pdf
}

TEST_F(PrintPdf, TheCardButtonPrintsTooAndCancelPrintsNothing) {
    titled({"Apple"});
    dialogs.cancelPrint = true;
    QTest::mouseClick(front()->button(Cmd::PrintButton), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(pdf()));
    dialogs.cancelPrint = false;
    QTest::mouseClick(front()->button(Cmd::PrintButton), Qt::LeftButton);
    EXPECT_TRUE(text().contains(QStringLiteral("Index: Apple")));
}

TEST_F(PrintPdf, ListRunsOverTwoPagesInDeckOrder) {
    for (int i = 0; i < 90; ++i)
        frame->deck().AppendCard("card " + std::to_string(100 + i));
    frame->deck().BringCardToFront(5);
    dialogs.pdfPath = pdf();
    frame->runCommand(Cmd::PrintList);
    EXPECT_EQ(pages(), 2);
    const QString t = text();
    EXPECT_TRUE(t.contains(QStringLiteral("- page 1")));
    EXPECT_TRUE(t.contains(QStringLiteral("- page 2")));
    const qsizetype first = t.indexOf(QStringLiteral("Index: card 105"));
    const qsizetype wrapped = t.indexOf(QStringLiteral("Index: card 104"));
    EXPECT_GE(first, 0);
    EXPECT_GT(wrapped, first); // the deck is read from the front card round
    EXPECT_GT(wrapped, t.indexOf(QStringLiteral("- page 2")));
}

TEST_F(PrintPdf, TagPrintsOnlyTaggedCardsInDeckOrder) {
    titled({"a", "b", "c", "d", "e", "f"});
    putTag(frame->deck(), 5, 1);
    putTag(frame->deck(), 2, 1);
    putBody(frame->deck(), 2, "body of c");
    frame->runCommand(Cmd::PrintTag);
    const QString t = text();
    EXPECT_TRUE(t.contains(path("deck.qrx") + QStringLiteral(" - page 1")));
    EXPECT_LT(t.indexOf(QStringLiteral("Index: c")), t.indexOf(QStringLiteral("Index: f")));
    EXPECT_TRUE(t.contains(QStringLiteral("body of c")));
    EXPECT_FALSE(t.contains(QStringLiteral("Index: a")));
    EXPECT_EQ(pages(), 1);

    // Nothing tagged: no dialog, no job, and the status bar says why.
    QFile::remove(pdf());
    for (int k = 0; k < frame->deck().count(); ++k)
        putTag(frame->deck(), k, 0);
    const int dialogsBefore = dialogs.printDialogs;
    frame->runCommand(Cmd::PrintTag);
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_EQ(dialogs.printDialogs, dialogsBefore);
    EXPECT_EQ(frame->deckStatusBar()->messageText(), QStringLiteral("No cards are tagged"));
}

TEST_F(PrintPdf, ThePageRangeAndCopiesOfTheDialogAreHonoured) {
    for (int i = 0; i < 90; ++i)
        frame->deck().AppendCard("card " + std::to_string(100 + i));
    dialogs.pdfPath = pdf();
    dialogs.fromPage = 2;
    dialogs.toPage = 2;
    frame->runCommand(Cmd::PrintList);
    EXPECT_EQ(pages(), 1);
    EXPECT_TRUE(text().contains(QStringLiteral("- page 2")));
    EXPECT_FALSE(text().contains(QStringLiteral("- page 1")));

    dialogs.fromPage = dialogs.toPage = 0;
    dialogs.copies = 3;
    frame->runCommand(Cmd::PrintList);
    EXPECT_EQ(pages(), 6);
    dialogs.collate = false;
    frame->runCommand(Cmd::PrintList);
    const QString t = text();
    EXPECT_LT(t.lastIndexOf(QStringLiteral("- page 1")), t.indexOf(QStringLiteral("- page 2")));
}

TEST_F(PrintPdf, ABodyTallerThanThePageGoesOnOverMorePages) {
    titled({"tall"});
    std::string body;
    for (int i = 0; i < 70; ++i)
        body += "row" + std::to_string(10 + i) + "\r";
    putBody(frame->deck(), 0, body);
    frame->runCommand(Cmd::PrintCard);
    const QString t = text();
    for (int i = 0; i < 70; ++i)
        EXPECT_TRUE(t.contains(QStringLiteral("row%1").arg(10 + i))) << i;
    EXPECT_GE(pages(), 2);
    EXPECT_EQ(t.count(path("deck.qrx")), pages()); // the header on every page
}

TEST_F(PrintPdf, AnUnwritableFileSaysPrintFailed) {
    showCards({"a"});
    dialogs.pdfPath = path("no/such/folder/out.pdf");
    script.answer(Answer::Ok);
    frame->runCommand(Cmd::PrintCard);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, QStringLiteral("Print Failed"));
}

// A Hebrew body prints as the screen shows it: read from the right, its words in order, its
// line against the right margin (drawn a character at a time it came out left to right).
TEST_F(PrintPdf, AHebrewLineReadsFromTheRight) {
    if (QFontDatabase::families(QFontDatabase::Hebrew).isEmpty())
        GTEST_SKIP() << "no font with Hebrew letters";
    titled({"a"});
    frame->session().setCharacterSet(1255);
    putBody(frame->deck(), 0, "\xF9\xEC\xE5\xED \xF2\xE5\xEC\xED"); // שלום עולם
    frame->runCommand(Cmd::PrintCard);
    // The letters of the body's line (the only Hebrew on the page) from the right.
    const QString boxes =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf(), QStringLiteral("-")});
    std::vector<std::pair<double, QString>> letters;
    const QRegularExpression word(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*>([^<]+)<"));
    for (const auto& m : word.globalMatch(boxes)) {
        if (m.captured(2).front().unicode() >= 0x0590 && m.captured(2).front().unicode() < 0x0600)
            letters.emplace_back(m.captured(1).toDouble(), m.captured(2));
    }
    std::sort(letters.rbegin(), letters.rend());
    QString fromTheRight;
    for (const auto& letter : letters)
        fromTheRight += letter.second;
    EXPECT_EQ(fromTheRight, QStringLiteral("\u05e9\u05dc\u05d5\u05dd\u05e2\u05d5\u05dc\u05dd"))
        << boxes.toStdString();
    ASSERT_FALSE(letters.empty());
    EXPECT_GT(letters.front().first, 400.0); // on a page 595 points wide: aligned right
}
