#include "files/CardfileReader.h"
#include "support/CardfileBuilder.h"
#include "support/DocumentFixture.h"

namespace {

std::vector<std::pair<std::string, std::string>> cardsOf(const CardfileReader::Result& r) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& c : r.cards)
        out.emplace_back(c.indexText(), c.bodyText());
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST(CardfileReader, TheSixtySixByteFile) {
    QByteArray file = "MGC" + le16(1) + QByteArray(6, '\0') + le32(57) + QByteArray(1, '\0');
    file += QByteArray("Alpha").leftJustified(41, '\0');
    file += le16(0) + le16(5) + "Hello";
    ASSERT_EQ(file.size(), 66);
    auto r = CardfileReader::parse(file);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(cardsOf(r), (Pairs{{"Alpha", "Hello"}}));
    EXPECT_FALSE(r.damaged());
    EXPECT_EQ(r.cards.cards()[0]->tag(), 0);
}

TEST(CardfileReader, TextsLimitsAndPictures) {
    const QByteArray forty(40, 'i');
    auto r = CardfileReader::parse(cardfile({
        {"zeta", "line one\r\nline two", {}},
        {forty, "", {}},
        {"pictured", "the text", QByteArray(37, '\x7f')},
        {"long", QByteArray(600, 'b'), {}},
        {"nul", QByteArray("before\0after", 12), {}},
    }));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(cardsOf(r), (Pairs{{"zeta", "line one\r\nline two"},
                                 {std::string(40, 'i'), ""},
                                 {"pictured", "the text"},
                                 {"long", std::string(511, 'b')},
                                 {"nul", "before"}}));
    EXPECT_FALSE(r.damaged());
}

TEST(CardfileReader, SignatureMustMatchExactly) {
    for (const QByteArray& bad : {QByteArray(), QByteArray("MG"), QByteArray("mgc\1\0"),
                                  QByteArray("rrg\1\0"), QByteArray("\xab\xaa\0\0", 4)})
        EXPECT_EQ(CardfileReader::parse(bad).status, CardfileReader::Status::NotACardFile)
            << bad.toHex().constData();
    auto empty = CardfileReader::parse(QByteArray("MGC\0\0", 5));
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty.cards.empty());
    EXPECT_FALSE(empty.damaged());
}

// Every prefix of a file: nothing is read outside it (the sanitizers watch), every card keeps
// its own index, and its body is the start of its own text, never another card's.
static void expectEveryTruncationReadSafely(const QByteArray& whole,
                                            const std::vector<CardfileCard>& cards) {
    for (qsizetype size = 0; size <= whole.size(); ++size) {
        // A copy of exactly this size, so reading beyond it is a real overflow.
        const QByteArray prefix(whole.constData(), size);
        auto r = CardfileReader::parse(prefix);
        // A file too short to hold its card count is no card file.
        const qsizetype countEnd = whole.startsWith("RRG") ? 9 : 5;
        ASSERT_EQ(r.ok(), size >= countEnd) << size;
        ASSERT_LE(r.cards.size(), cards.size());
        for (std::size_t k = 0; k < r.cards.size(); ++k) {
            EXPECT_EQ(r.cards.cards()[k]->indexText(), cards[k].index.toStdString()) << size;
            const std::string full = cards[k].text.toStdString();
            EXPECT_EQ(full.rfind(std::string(r.cards.cards()[k]->bodyText()), 0), 0u)
                << "size " << size << " card " << k;
        }
        if (r.ok()) {
            EXPECT_EQ(r.damaged(), size < whole.size()) << size;
        }
    }
}

TEST(CardfileReader, EveryTruncationIsReadSafely) {
    const std::vector<CardfileCard> cards = {
        {"first", "The first card's text.\r\nTwo lines.", {}},
        {"second", "Second text, with a picture before it.", QByteArray(20, '\x55')},
        {"third", "Third.", {}},
    };
    expectEveryTruncationReadSafely(cardfile(cards), cards);
}

TEST(RrgCardfile, TextsOfCardsWithAndWithoutObjects) {
    const QByteArray blob(300, '\x7f');
    auto r = CardfileReader::parse(rrgCardfile({
        {"text only", "Just text\r\nwith lines", {}},
        {"blank", "", {}},
        {"static", "below a static picture", oleStatic(blob)},
        {"embedded", "below an embedded one", oleEmbedded(blob, blob)},
        {"linked", "below a link", oleLinked("C:\\pics\\cat.bmp", blob)},
        {"object only", "", oleStatic("x")},
        {"long", QByteArray(600, 'b'), oleStatic("y")},
    }));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout, CardfileReader::Layout::Rrg);
    EXPECT_EQ(cardsOf(r), (Pairs{{"text only", "Just text\r\nwith lines"},
                                 {"blank", ""},
                                 {"static", "below a static picture"},
                                 {"embedded", "below an embedded one"},
                                 {"linked", "below a link"},
                                 {"object only", ""},
                                 {"long", std::string(511, 'b')}}));
    EXPECT_FALSE(r.damaged());
    EXPECT_EQ(r.pictures, 5);
}

TEST(RrgCardfile, AnObjectThatCannotBePassedOverCostsOnlyItsOwnText) {
    QByteArray broken = oleStatic("data");
    broken[4] = 9; // no such kind of object
    auto r = CardfileReader::parse(
        rrgCardfile({{"broken", "lost", broken}, {"after", "kept", oleEmbedded("n", "p")}}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(cardsOf(r), (Pairs{{"broken", ""}, {"after", "kept"}}));
    EXPECT_EQ(r.shortCards, 1);
    EXPECT_TRUE(r.damaged());
}

// As for the older layout: every prefix is read safely and no card takes another's text.
TEST(RrgCardfile, EveryTruncationIsReadSafely) {
    const std::vector<CardfileCard> cards = {
        {"first", "The first card's text.", oleEmbedded("native", "picture")},
        {"second", "Second text.", {}},
        {"third", "Third, linked.", oleLinked("C:\\x", "pic")},
    };
    expectEveryTruncationReadSafely(rrgCardfile(cards), cards);
}

TEST(UnicodeCardfile, IsRecognisedAndRefused) {
    EXPECT_EQ(CardfileReader::parse(QByteArray("DKO\x03\x00 whatever")).status,
              CardfileReader::Status::UnicodeCardFile);
    EXPECT_EQ(CardfileReader::recognise("DKO"), CardfileReader::Status::UnicodeCardFile);
    EXPECT_EQ(CardfileReader::recognise("RRG"), CardfileReader::Status::Ok);
}

class Import : public DocumentFixture {};

TEST_F(Import, ADamagedCardFileComesInWithAWarning) {
    write(path("cut.crd"), rrgCardfile({{"pictured", "text", oleStatic("p")},
                                        {"whole", "text", {}},
                                        {"cut", "a long text cut short", {}}})
                               .chopped(5));
    ui.choose(path("cut.crd")).answer(Answer::Ok);
    doc.ImportCardfile();
    EXPECT_EQ(indexesOf(deck), (Indexes{"cut", "pictured", "whole"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("This card file is damaged.\n1 card lost its text, or part of it.\n"
                             "1 card had a picture or object, which is not imported."));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(document.isImported());
}

TEST_F(Import, ReplacesTheDeckSortedAndMarksItImported) {
    write(path("old.crd"), cardfile({{"pear", "p", {}}, {"Apple", "a", {}}, {"mango", "m", {}}}));
    profile.setLastFile(QStringLiteral("/decks/last.qrx"));
    addCards(deck, {"before"});
    ui.choose(path("old.crd"));
    doc.ImportCardfile();

    const FileDialogRequest& r = ui.fileDialogs.at(0);
    EXPECT_EQ(r.filter, QStringLiteral("Cardfile Files (*.crd) |*.crd||"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("crd"));
    EXPECT_EQ(r.title, QStringLiteral("Import Cardfile"));
    EXPECT_EQ(r.initialName, QString());
    EXPECT_EQ(r.initialFolder, QStringLiteral("/decks"));

    EXPECT_EQ(indexesOf(deck), (Indexes{"Apple", "mango", "pear"}));
    EXPECT_EQ(deck.card(0).bodyText(), "a");
    EXPECT_TRUE(document.isImported());
    EXPECT_FALSE(deck.isModified());
    EXPECT_EQ(document.filePath(), path("old.crd"));
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("old.crd"));
    EXPECT_EQ(ui.cardCount, 3);
    EXPECT_EQ(profile.lastFile(), QStringLiteral("/decks/last.qrx"));
}

TEST_F(Import, SaveAfterAnImportNeverOverwritesTheCardFile) {
    const QByteArray original = cardfile({{"card", "text", {}}});
    write(path("old.crd"), original);
    ui.choose(path("old.crd"));
    doc.ImportCardfile();
    putBody(deck, 0, "changed");
    makeUnsaved(deck);

    // New keeps the imported state: Save still goes to Save As.
    ui.answer(Answer::Yes).choose(path("saved.qrx"));
    EXPECT_TRUE(doc.mayDiscardChanges());
    EXPECT_EQ(ui.fileDialogs.back().kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(read(path("old.crd")), original);
    EXPECT_FALSE(document.isImported());
    EXPECT_EQ(document.filePath(), path("saved.qrx"));
}

TEST_F(Import, NewAndOpenClearTheImportedFlag) {
    // Neither leaves a card file behind the deck, so Save is available again.
    write(path("old.crd"), cardfile({{"card", "text", {}}}));
    writeDeck(path("deck.qrx"), {"x"});
    ui.choose(path("old.crd"));
    doc.ImportCardfile();
    doc.New();
    EXPECT_FALSE(document.isImported());
    ui.choose(path("old.crd"));
    doc.ImportCardfile();
    ui.choose(path("deck.qrx"));
    doc.Open();
    EXPECT_FALSE(document.isImported());
    EXPECT_EQ(document.filePath(), path("deck.qrx"));
}

TEST_F(Import, CancelAndFailures) {
    write(path("later.crd"), "CRD\x01\x00 no card file at all");
    write(path("good.crd"), cardfile({{"a", "b", {}}}));
    addCards(deck, {"mine"});
    makeUnsaved(deck);

    ui.cancelDialog();
    doc.ImportCardfile();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(indexesOf(deck), (Indexes{"mine"}));

    ui.choose(path("good.crd")).answer(Answer::Cancel);
    doc.ImportCardfile();
    EXPECT_EQ(indexesOf(deck), (Indexes{"mine"}));
    EXPECT_FALSE(document.isImported());

    // A file that is no card file leaves the open deck as it was.
    ui.choose(path("later.crd")).answer(Answer::No).answer(Answer::Ok);
    doc.ImportCardfile();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("File not compatible"));
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Exclamation);
    EXPECT_EQ(indexesOf(deck), (Indexes{"mine"}));
    deck.markClean();

    ui.choose(path("gone.crd")).answer(Answer::Ok);
    doc.ImportCardfile();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("File error - 25"));
    // The Unicode layout is named, and refused.
    write(path("unicode.crd"), QByteArray("DKO\x01\x00\x00\x00", 7));
    ui.choose(path("unicode.crd")).answer(Answer::Ok);
    doc.ImportCardfile();
    EXPECT_EQ(ui.messages.back().text,
              QStringLiteral("This card file is of the Unicode kind, which Quorix cannot read."));
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Exclamation);
    EXPECT_EQ(indexesOf(deck), (Indexes{"mine"}));
}

TEST_F(Import, EmptyCardFile) {
    write(path("none.crd"), QByteArray("MGC\0\0", 5));
    ui.choose(path("none.crd"));
    doc.ImportCardfile();
    EXPECT_TRUE(deck.isEmpty());
    EXPECT_EQ(ui.cardCount, 0);
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("none.crd"));
    EXPECT_TRUE(document.isImported());
}

// Each card reads its own data and nothing of another card's; the one quirk of old files is
// read as meant; texts shortened to what a card holds are counted.
TEST(CardfileReader, EachCardReadsOnlyItsOwnData) {
    const QByteArray two = cardfile({{"a", "AAAA", {}}, {"b", "BBBB", {}}});
    // The data: card a at 109 (flag, length, text), card b at 117.
    const auto offsetAt = [](int k) { return 5 + 52 * k + 6; };
    const auto with = [&two](qsizetype at, const QByteArray& bytes) {
        return QByteArray(two).replace(at, bytes.size(), bytes);
    };
    // a with a picture of zeros, b's offset pointing into it: b's data would look good.
    QByteArray pictured = cardfile({{"a", "AAAA", QByteArray(12, '\0')}, {"b", "BBBB", {}}});
    pictured.replace(offsetAt(1), 4, le32(109 + 12));
    struct Row {
        const char* what;
        QByteArray file;
        std::string a, b;
        int damaged;
    } rows[] = {
        {"whole", two, "AAAA", "BBBB", 0},
        {"a's text runs into b's data", with(111, le16(10)), "AAAA", "BBBB", 1},
        {"b's length with the 0xFF quirk", with(119, le16(0xFF04)), "AAAA", "BBBB", 0},
        {"b's length 0xFF.. that does not end the data", with(119, le16(0xFF03)), "AAAA", "BBBB",
         1},
        {"b's offset inside a's picture", pictured, "", "", 2},
        {"b's offset inside a's text", with(offsetAt(1), le32(113)), "", "", 2},
        {"b's offset before the data", with(offsetAt(1), le32(3)), "AAAA", "", 1},
        {"b's offset beyond the file", with(offsetAt(1), le32(500)), "AAAA", "", 1},
        {"both at a's data", with(offsetAt(1), le32(109)), "AAAA", "", 1},
    };
    for (const Row& row : rows) {
        const auto r = CardfileReader::parse(row.file);
        ASSERT_TRUE(r.ok()) << row.what;
        ASSERT_EQ(r.cards.size(), 2u) << row.what;
        EXPECT_EQ(r.cards.cards()[0]->bodyText(), row.a) << row.what;
        EXPECT_EQ(r.cards.cards()[1]->bodyText(), row.b) << row.what;
        EXPECT_EQ(r.shortCards, row.damaged) << row.what;
    }

    const auto shortened = CardfileReader::parse(cardfile({{"long", QByteArray(600, 'x'), {}},
                                                           {"nul", QByteArray("ab\0cd", 5), {}},
                                                           {"ok", "y", {}}}));
    EXPECT_EQ(shortened.shortenedTexts, 2);
    EXPECT_FALSE(shortened.damaged());
    EXPECT_EQ(shortened.cards.cards()[0]->bodyText().size(), 511u);
    // A text of two-byte characters ends between two of them, never on a lone lead byte.
    QByteArray kana;
    while (kana.size() < 600)
        kana += "\x82\xa0";
    const auto japanese =
        CardfileReader::parse(cardfile({{"\x82\xa0", kana, {}}}), CharacterSet::forCodePage(932));
    EXPECT_EQ(japanese.cards.cards()[0]->bodyText(), kana.left(510).toStdString());
    // Too short to hold its card count: no card file, never "1 card cut off".
    EXPECT_EQ(CardfileReader::parse(QByteArray("MGC\x01", 4)).status,
              CardfileReader::Status::NotACardFile);
}
