#include "support/DocumentFixture.h"

#include <QDir>

class LoadSave : public DocumentFixture {};

TEST_F(LoadSave, LoadAppendsSortsAndLeavesTheDeckModified) {
    writeDeck(path("a.qrx"), {"pear", "Apple"});
    addCards(deck, {"mango"});
    ui.relabels = 0;
    ASSERT_TRUE(doc.LoadDeckFile(path("a.qrx")));
    EXPECT_EQ(indexesOf(deck), (Indexes{"Apple", "mango", "pear"}));
    // The cards that came in are not in the deck's own file.
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(ui.relabels, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoadSave, LoadFailuresLeaveTheDeckAsItWas) {
    addCards(deck, {"keep"});
    makeUnsaved(deck);
    ui.relabels = 0;
    write(path("text.qrx"), "just some text\n");
    write(path("short.qrx"), QByteArray::fromHex("abaa0000") + le32(3) + QByteArray(600, 'x'));
    QDir(dir.path()).mkdir(QStringLiteral("folder.qrx"));

    ui.answer(Answer::Ok)
        .answer(Answer::Ok)
        .answer(Answer::Ok)
        .answer(Answer::Ok)
        .answer(Answer::Ok);
    EXPECT_FALSE(doc.LoadDeckFile(QStringLiteral("/dev/zero"))); // never read: no end to it
    ui.messages.clear();
    EXPECT_FALSE(doc.LoadDeckFile(path("missing.qrx")));
    EXPECT_FALSE(doc.LoadDeckFile(path("text.qrx")));
    EXPECT_FALSE(doc.LoadDeckFile(path("short.qrx")));
    EXPECT_FALSE(doc.LoadDeckFile(path("folder.qrx")));

    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("File Error - \"%1\"").arg(path("missing.qrx")));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Quorix Error..."));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("File Error - Incompable File"));
    EXPECT_EQ(ui.messages[2].text, QStringLiteral("File Error - Incompable File"));
    EXPECT_EQ(ui.messages[1].caption, QStringLiteral("Quorix Error..."));
    EXPECT_EQ(ui.messages[3].text, QStringLiteral("File Error - \"%1\"").arg(path("folder.qrx")));
    EXPECT_EQ(indexesOf(deck), (Indexes{"keep"}));
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(ui.relabels, 0);
}

TEST_F(LoadSave, SaveRoundTripsAndClearsTheFlags) {
    addCards(deck, {"b", "a"});
    putBody(deck, 0, "body of b");
    putTag(deck, 1, 1);
    makeUnsaved(deck);
    ASSERT_TRUE(doc.WriteDeckFile(path("out.qrx")));
    EXPECT_FALSE(deck.isModified());
    EXPECT_EQ(read(path("out.qrx")).size(), 8 + 2 * 558);

    Deck again;
    FakeUi quiet;
    DocumentOf other(again, quiet, profile);
    ASSERT_TRUE(other.commands.LoadDeckFile(path("out.qrx")));
    EXPECT_EQ(indexesOf(again), (Indexes{"a", "b"}));
    EXPECT_EQ(again.card(0).tag(), 1);
    EXPECT_EQ(again.card(1).bodyText(), "body of b");
    // Writing the loaded deck back gives a version 2 file again.
    ASSERT_TRUE(other.commands.WriteDeckFile(path("again.qrx")));
    EXPECT_EQ(read(path("again.qrx")).left(4), QByteArray::fromHex("abaa0000"));
}

TEST_F(LoadSave, AFailedWriteKeepsTheOldFileAndTheDeckState) {
    writeDeck(path("old.qrx"), {"old"});
    const QByteArray before = read(path("old.qrx"));
    addCards(deck, {"new"});
    makeUnsaved(deck);
    // The folder of the target is replaced by a file, so nothing can be created there.
    write(path("blocker"), "x");
    ui.answer(Answer::Ok).answer(Answer::Ok);
    EXPECT_FALSE(doc.WriteDeckFile(path("blocker/deck.qrx")));
    EXPECT_FALSE(doc.WriteDeckFile(dir.path()));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("File Error - \"%1\"\nNot a directory").arg(path("blocker/deck.qrx")));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(read(path("old.qrx")), before);
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    left.removeAll(QStringLiteral("settings.ini"));
    EXPECT_EQ(left, (QStringList{QStringLiteral("blocker"), QStringLiteral("old.qrx")}));
}
