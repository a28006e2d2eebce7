#include "files/DeckFile.h"
#include "session/DeckSession.h"
#include "support/CardfileBuilder.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"
#include "support/StateHome.h"

#include <QBuffer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UnicodeDecks : public testing::Test {
protected:
    QTemporaryDir dir;
    StateHome state{dir.filePath(QStringLiteral("state"))};
    QSettings settings{dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat};
    FakeUi ui;
    DeckSession session{settings, ui};

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    static QByteArray read(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A version 2 deck of these cards, as Quorix 1.0 writes it.
    static QByteArray version2(std::initializer_list<std::pair<const char*, const char*>> cards) {
        Deck deck;
        CardBlock block;
        for (const auto& [index, body] : cards)
            block.append(index, body);
        deck.appendCards(std::move(block));
        deck.SortByIndex();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(DeckFile::write(deck, buffer));
        deck.markClean();
        return buffer.data();
    }
};

} // namespace

// A new deck is a Unicode deck, written as version 3; a deck of a code page that only ever
// holds what its set holds stays version 2, byte for byte.
TEST_F(UnicodeDecks, NewDecksAreUnicodeAndOldOnesStayWhatTheyAre) {
    EXPECT_TRUE(session.characterSet().isUnicode());
    addCards(session.deck(), {"a"});
    ui.choose(path("new.qrx"));
    ASSERT_TRUE(session.documentCommands().SaveAs());
    EXPECT_EQ(read(path("new.qrx")).left(4), QByteArray::fromHex("acaa0000"));

    const QByteArray old = version2({{"caf\xe9", "b\xe9"}, {"apple", "pie"}});
    write(path("old.qrx"), old);
    ASSERT_TRUE(session.documentCommands().openFile(path("old.qrx")));
    EXPECT_EQ(session.characterSet().codePage(), 1252);
    session.deck().setBody(0, "changed");
    session.deck().setBody(0, "pie");
    ASSERT_TRUE(session.documentCommands().Save());
    EXPECT_EQ(read(path("old.qrx")), old);
}

// Typing what the code page cannot hold asks once per deck: a Unicode deck (its texts
// converted, written as version 3), or the text left out, and no second question.
TEST_F(UnicodeDecks, TheQuestionComesOncePerDeck) {
    write(path("old.qrx"), version2({{"caf\xe9", "\x80 5"}}));
    ASSERT_TRUE(session.documentCommands().openFile(path("old.qrx")));
    ui.pick(1);
    EXPECT_FALSE(session.characterSets().holdAnyText(QStringLiteral("\u2713")));
    EXPECT_TRUE(ui.messages.back().text.contains(QStringLiteral("\"old.qrx\"")));
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Quorix"));
    const std::size_t asked = ui.messages.size();
    EXPECT_FALSE(session.characterSets().holdAnyText(QStringLiteral("\u2713")));
    EXPECT_EQ(ui.messages.size(), asked);

    // Another deck is asked again; this time it becomes a Unicode deck.
    write(path("other.qrx"), version2({{"caf\xe9", "\x80 5"}}));
    ASSERT_TRUE(session.documentCommands().openFile(path("other.qrx")));
    ui.pick(0);
    EXPECT_TRUE(session.characterSets().holdAnyText(QStringLiteral("\u2713")));
    EXPECT_TRUE(session.characterSet().isUnicode());
    EXPECT_EQ(session.deck().card(0).indexText(), "caf\xc3\xa9");
    EXPECT_EQ(session.deck().card(0).bodyText(), "\xe2\x82\xac 5");
    EXPECT_TRUE(session.deck().isModified());
    ASSERT_TRUE(session.documentCommands().Save());
    EXPECT_EQ(read(path("other.qrx")).left(4), QByteArray::fromHex("acaa0000"));
    EXPECT_EQ(ui.messages.size(), asked + 1);
}

// Cards of a code page come into a Unicode deck converted: a deck merged from the set it was
// last shown in, a card file imported from the code page chosen in the import dialog.
TEST_F(UnicodeDecks, MergedAndImportedCardsAreConverted) {
    addCards(session.deck(), {"unicode"});
    write(path("russian.qrx"), version2({{"\xcf\xf0\xe8\xe2\xe5\xf2", "\xec\xe8\xf0"}}));
    session.profile().setCharacterSetOf(path("russian.qrx"), 1251);
    ASSERT_TRUE(session.documentCommands().LoadDeckFile(path("russian.qrx")));
    EXPECT_EQ(indexesOf(session.deck()), (Indexes{"unicode", "Привет"}));

    write(path("greek.crd"), cardfile({{"\xe1\xe2\xe3", "\xe4", {}}}));
    ui.answer(Answer::No); // the merged deck is not saved
    const int greek = static_cast<int>(
        std::find(CharacterSet::codePages().begin(), CharacterSet::codePages().end(), 1253) -
        CharacterSet::codePages().begin());
    ui.choose(path("greek.crd"), greek);
    session.documentCommands().ImportCardfile();
    EXPECT_TRUE(session.characterSet().isUnicode());
    EXPECT_EQ(indexesOf(session.deck()), (Indexes{"αβγ"}));
    EXPECT_EQ(session.deck().card(0).bodyText(), "δ");
    EXPECT_EQ(ui.fileDialogs.back().filter.count(QStringLiteral("Cardfile Files, ")), 14);
}
