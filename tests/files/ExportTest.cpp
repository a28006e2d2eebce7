#include "files/Export.h"
#include "deck/CharacterSet.h"
#include "support/DocumentFixture.h"

#include <QBuffer>

namespace {

std::string textOf(const Deck& deck,
                   bool (*write)(const Deck&, QIODevice&, const CharacterSet&, Export::Encoding),
                   Export::Encoding encoding = Export::Encoding::DeckCharacterSet) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(write(deck, buffer, CharacterSet(), encoding));
    return buffer.data().toStdString();
}

using Lines = std::vector<std::string>;

} // namespace

TEST(BodyLines, BreaksAtBlanksFromTheSixtiethByteAndAtLineBreaks) {
    EXPECT_EQ(Export::BreakBodyLines(""), (Lines{""}));
    EXPECT_EQ(Export::BreakBodyLines("Hello\r\nWorld"), (Lines{"Hello\n", "World"}));
    EXPECT_EQ(Export::BreakBodyLines("end\r\n"), (Lines{"end\n", ""}));

    const std::string fiftyNine(59, 'a');
    EXPECT_EQ(Export::BreakBodyLines(fiftyNine + " rest"), (Lines{fiftyNine + " \n", "rest"}));
    const std::string fiftyEight(58, 'a');
    EXPECT_EQ(Export::BreakBodyLines(fiftyEight + " rest"), (Lines{fiftyEight + " rest"}));
    // A word running past the 60th byte is never split.
    const std::string word(75, 'w');
    EXPECT_EQ(Export::BreakBodyLines(word + " x"), (Lines{word + " \n", "x"}));
    EXPECT_EQ(Export::BreakBodyLines(word), (Lines{word}));
    // The count starts again on every line.
    EXPECT_EQ(Export::BreakBodyLines("ab\r\n" + fiftyNine + " z"),
              (Lines{"ab\n", fiftyNine + " \n", "z"}));
    // A lone CR ends its line and keeps the byte after it.
    EXPECT_EQ(Export::BreakBodyLines("one\rtwo"), (Lines{"one\n", "two"}));
}

TEST(ExportText, CardBlocksWithCrLfInDeckOrder) {
    Deck deck;
    addCards(deck, {"Alpha", "Beta"});
    putBody(deck, 0, "Hello\r\nWorld");
    deck.BringCardToFront(1);
    const std::string sep(60, '-');
    EXPECT_EQ(textOf(deck, Export::writeText),
              "Beta\r\n\r\n" + sep + "\r\n\r\n" + "Alpha\r\nHello\r\nWorld\r\n" + sep + "\r\n\r\n");
}

TEST(ExportCommaDelimited, OneLinePerCardWithBlanksForBreaksAndCommas) {
    Deck deck;
    addCards(deck, {"Smith, John", "b", "c", "d"});
    putBody(deck, 0, "one,two\r\nthree");
    putBody(deck, 1, "\nstarts with LF");
    putBody(deck, 2, "lone\rCR");
    putBody(deck, 3, "a\nb");
    EXPECT_EQ(textOf(deck, Export::writeCommaDelimited), "Smith, John,one two  three\n"
                                                         "b, starts with LF\n"
                                                         "c,lone\rCR\n"
                                                         "d,a b\n");
}

TEST(Export, LargeDecksAreWrittenWhole) {
    Deck deck;
    for (int i = 0; i < 1500; ++i)
        putBody(deck, deck.positionOf(&deck.AppendCard("card " + std::to_string(i))), "x");
    std::size_t expected = 0;
    for (int i = 0; i < 1500; ++i)
        expected += ("card " + std::to_string(i)).size() + 1 + 60 + 4 * 2;
    const std::string text = textOf(deck, Export::writeText);
    EXPECT_EQ(text.size(), expected);
    EXPECT_NE(text.find("card 1499\r\nx\r\n"), std::string::npos);
    const std::string csv = textOf(deck, Export::writeCommaDelimited);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1500);
}

class ExportCommand : public DocumentFixture {
protected:
    const CharacterSet western;
};

TEST(ExportUtf8, TheSameLayoutInUtf8) {
    Deck deck;
    addCards(deck, {"Caf\xe9, \x80 5", "b"});
    putBody(deck, 0, "\x93quoted\x94\r\nna\xefve, \xe9t\xe9 " + std::string(70, 'x'));
    putBody(deck, 1, "lone\rCR\nand LF");
    for (auto write : {Export::writeText, Export::writeCommaDelimited}) {
        const std::string ansi = textOf(deck, write);
        const std::string utf8 = textOf(deck, write, Export::Encoding::Utf8);
        EXPECT_EQ(QString::fromStdString(utf8), CharacterSet().decode(ansi));
        EXPECT_NE(utf8, ansi);
    }
}

TEST_F(ExportCommand, WritesTheChosenFileAndLeavesTheDocumentAlone) {
    addCards(deck, {"a"});
    makeUnsaved(deck);
    profile.setLastFile(path("deck.qrx"));
    ui.choose(path("out.txt")).choose(path("out.txt"));
    Export::ExportText(deck, western, ui, profile, path("my.deck.qrx"));
    const QByteArray first = read(path("out.txt"));
    Export::ExportText(deck, western, ui, profile, path("my.deck.qrx"));
    EXPECT_EQ(read(path("out.txt")), first);
    EXPECT_EQ(first, QByteArray("a\r\n\r\n") + QByteArray(60, '-') + "\r\n\r\n");

    const FileDialogRequest& r = ui.fileDialogs.at(0);
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(r.title, QStringLiteral("Export Text File"));
    EXPECT_EQ(r.filter, QStringLiteral("Text Files, Western (Windows-1252) (*.txt) |*.txt|"
                                       "Text Files, UTF-8 (*.txt) |*.txt||"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(r.initialName, QStringLiteral("my.deck.txt")); // never a pattern
    EXPECT_TRUE(r.overwritePrompt);
    EXPECT_EQ(r.initialFolder, dir.path());
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(profile.lastFile(), path("deck.qrx"));

    putBody(deck, 0, "\xe9");
    ui.choose(path("out.csv"), 1); // the UTF-8 type
    Export::ExportCommaDelimited(deck, western, ui, profile, QString());
    EXPECT_EQ(read(path("out.csv")), QByteArray("a,\xc3\xa9\n"));
    EXPECT_EQ(ui.fileDialogs.back().title, QStringLiteral("Export Comma Delimited Text"));
    EXPECT_EQ(ui.fileDialogs.back().defaultSuffix, QStringLiteral("csv"));
    EXPECT_TRUE(ui.fileDialogs.back().filter.startsWith(
        QStringLiteral("Comma-Separated Values, Western (Windows-1252) (*.csv) |*.csv|")));
    EXPECT_EQ(ui.fileDialogs.back().initialName, QString()); // untitled: no name

    ui.cancelDialog();
    Export::ExportText(deck, western, ui, profile, QString());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExportCommand, AFileThatCannotBeWrittenIsReportedAndNotLeftHalfWritten) {
    addCards(deck, {"a"});
    write(path("blocker"), "x");
    ui.choose(path("blocker/out.txt")).answer(Answer::Ok);
    Export::ExportText(deck, western, ui, profile, QString());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(path("blocker/out.txt")));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
}
