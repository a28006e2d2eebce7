#include "files/FileNames.h"
#include "support/CardfileBuilder.h"
#include "support/DocumentFixture.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>

class Commands : public DocumentFixture {
protected:
    void SetUp() override { ui.title = QStringLiteral("Quorix - Untitled"); }
};

TEST_F(Commands, DialogsUseTheDeckFilterAndStartInTheLastFolder) {
    profile.setLastFile(QStringLiteral("/home/a/Decks/home.qrx"));
    writeDeck(path("a.qrx"), {"x"});
    ui.choose(path("a.qrx"));
    doc.Open();
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const FileDialogRequest& r = ui.fileDialogs[0];
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(r.title, QStringLiteral("Open"));
    EXPECT_EQ(r.filter, QStringLiteral("Quorix Files (*.qrx) |*.qrx||"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("qrx"));
    EXPECT_EQ(r.initialName, QString()); // a pattern would be taken for a name
    EXPECT_EQ(r.initialFolder, QStringLiteral("/home/a/Decks"));

    // Open wrote "Last File"; Save As starts in its folder, with the deck's own name, and
    // asks before overwriting.
    ui.cancelDialog();
    EXPECT_FALSE(doc.SaveAs());
    EXPECT_EQ(ui.fileDialogs[1].kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(ui.fileDialogs[1].title, QStringLiteral("Save As"));
    EXPECT_EQ(ui.fileDialogs[1].initialName, QStringLiteral("a.qrx"));
    EXPECT_TRUE(ui.fileDialogs[1].overwritePrompt);
    EXPECT_EQ(ui.fileDialogs[1].initialFolder, dir.path());
    doc.New();
    ui.cancelDialog();
    EXPECT_FALSE(doc.SaveAs());
    EXPECT_EQ(ui.fileDialogs[2].initialName, QString()); // untitled: no name

    // No folder known: the documents folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    profile.setLastFile(QStringLiteral("report"));
    EXPECT_EQ(profile.initialFolder(), documents);
    profile.setLastFile(QString());
    EXPECT_EQ(profile.initialFolder(), documents);
}

TEST_F(Commands, OpenLoadsTitlesAndRemembersTheFile) {
    writeDeck(path("a.qrx"), {"pear", "apple"});
    addCards(deck, {"old"});
    ui.choose(path("a.qrx"));
    doc.Open();
    EXPECT_EQ(indexesOf(deck), (Indexes{"apple", "pear"}));
    EXPECT_EQ(document.filePath(), path("a.qrx"));
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("a.qrx"));
    EXPECT_EQ(profile.lastFile(), path("a.qrx"));
    EXPECT_EQ(ui.cardCount, 2);
    EXPECT_FALSE(deck.isModified());
}

TEST_F(Commands, OpenOfAnEmptyDeckFile) {
    write(path("empty.qrx"), QByteArray::fromHex("abaa000000000000"));
    ui.choose(path("empty.qrx"));
    doc.Open();
    EXPECT_TRUE(deck.isEmpty());
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("empty.qrx"));
    EXPECT_EQ(profile.lastFile(), path("empty.qrx"));
    EXPECT_EQ(ui.cardCount, 0);
}

TEST_F(Commands, CancelAtTheSavePromptOpensNothing) {
    writeDeck(path("a.qrx"), {"new"});
    profile.setLastFile(QStringLiteral("/x/last.qrx"));
    addCards(deck, {"mine"});
    makeUnsaved(deck);
    ui.log.clear();
    ui.choose(path("a.qrx")).answer(Answer::Cancel);
    doc.Open();
    EXPECT_EQ(ui.log, (QStringList{QStringLiteral("open:Quorix Files (*.qrx) |*.qrx||"),
                                   QStringLiteral("message:Save Changes ?")}));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Quorix"));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(indexesOf(deck), (Indexes{"mine"}));
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(profile.lastFile(), QStringLiteral("/x/last.qrx"));
}

TEST_F(Commands, OpenOfABadFileLeavesTheOpenDeckAsItWas) {
    // The user may just have answered No to saving it: a bad file must not cost the deck.
    write(path("bad.qrx"), "not a deck");
    writeDeck(path("mine.qrx"), {"unchanged deck"});
    ui.choose(path("mine.qrx"));
    doc.Open();
    putBody(deck, 0, "unsaved");
    makeUnsaved(deck);
    ui.choose(path("bad.qrx")).answer(Answer::No).answer(Answer::Ok);
    doc.Open();
    EXPECT_EQ(indexesOf(deck), (Indexes{"unchanged deck"}));
    EXPECT_EQ(deck.card(0).bodyText(), "unsaved");
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("mine.qrx"));
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("File Error - Incompable File"));
    EXPECT_EQ(profile.lastFile(), path("mine.qrx"));
}

TEST_F(Commands, NewAsksOnlyWhenModified) {
    addCards(deck, {"a"});
    doc.New();
    EXPECT_TRUE(deck.isEmpty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - Untitled"));

    addCards(deck, {"b"});
    makeUnsaved(deck);
    ui.answer(Answer::No);
    doc.New();
    EXPECT_TRUE(deck.isEmpty());
    EXPECT_FALSE(deck.isModified());
}

TEST_F(Commands, YesThenACancelledSaveAsKeepsTheCards) {
    addCards(deck, {"precious"});
    makeUnsaved(deck);
    ui.answer(Answer::Yes).cancelDialog();
    doc.New();
    EXPECT_EQ(indexesOf(deck), (Indexes{"precious"}));
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(ui.fileDialogs.at(0).kind, FileDialogRequest::Kind::Save);
}

TEST_F(Commands, YesThenAFailedWriteKeepsTheCards) {
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    addCards(deck, {"precious"});
    ui.choose(path("sub/deck.qrx"));
    ASSERT_TRUE(doc.SaveAs());
    makeUnsaved(deck);
    ASSERT_TRUE(QDir(path("sub")).removeRecursively());

    // Its file is gone: asked, the user writes it there again.
    ui.answer(Answer::Yes).pick(1).answer(Answer::Ok);
    EXPECT_FALSE(doc.NewDeck());
    // The reason comes on a second line.
    EXPECT_EQ(
        ui.messages.back().text,
        QStringLiteral("File Error - \"%1\"\nNo such file or directory").arg(path("sub/deck.qrx")));
    EXPECT_EQ(indexesOf(deck), (Indexes{"precious"}));
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(document.filePath(), path("sub/deck.qrx"));
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("sub/deck.qrx"));
}

TEST_F(Commands, SaveWritesTheCurrentFileAndSaveAsMakesItTitled) {
    addCards(deck, {"a"});
    ui.choose(path("one.qrx"));
    doc.Save(); // untitled: Save As
    EXPECT_EQ(document.filePath(), path("one.qrx"));
    EXPECT_EQ(profile.lastFile(), path("one.qrx"));
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("one.qrx"));

    putBody(deck, 0, "changed");
    makeUnsaved(deck);
    EXPECT_TRUE(doc.Save()); // no dialog this time
    EXPECT_FALSE(deck.isModified());
    EXPECT_EQ(ui.fileDialogs.size(), 1u);
    Deck check;
    FakeUi quiet;
    DocumentOf reader(check, quiet, profile);
    ASSERT_TRUE(reader.commands.LoadDeckFile(path("one.qrx")));
    EXPECT_EQ(check.card(0).bodyText(), "changed");
}

TEST_F(Commands, MergeAppendsSortsAndMarksModified) {
    writeDeck(path("two.qrx"), {"banana", "apple"});
    ui.choose(path("one.qrx"));
    addCards(deck, {"cherry", "Apple", "date"});
    ASSERT_TRUE(doc.SaveAs());
    const QString title = ui.title;

    ui.choose(path("two.qrx"));
    doc.Merge();
    EXPECT_EQ(indexesOf(deck), (Indexes{"Apple", "apple", "banana", "cherry", "date"}));
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(ui.title, title);
    EXPECT_EQ(document.filePath(), path("one.qrx"));
    EXPECT_EQ(profile.lastFile(), path("one.qrx"));

    // A failed merge changes nothing, the modified flag included.
    deck.markClean();
    ui.choose(path("missing.qrx")).answer(Answer::Ok);
    doc.Merge();
    EXPECT_EQ(deck.count(), 5);
    EXPECT_FALSE(deck.isModified());

    // Merging the file just saved doubles every card.
    ui.choose(path("one.qrx"));
    doc.Merge();
    EXPECT_EQ(deck.count(), 8);
}

TEST_F(Commands, StartupLoad) {
    writeDeck(path("start.qrx"), {"b", "a"});
    doc.startupLoad(path("start.qrx"));
    EXPECT_EQ(indexesOf(deck), (Indexes{"a", "b"}));
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("start.qrx"));
    EXPECT_EQ(document.filePath(), path("start.qrx"));
    EXPECT_TRUE(profile.lastFile().isEmpty()); // only Open and Save As remember a file

    Deck other;
    FakeUi failing;
    DocumentOf second(other, failing, profile);
    failing.answer(Answer::Ok);
    second.commands.startupLoad(path("absent.qrx"));
    EXPECT_TRUE(other.isEmpty());
    EXPECT_TRUE(second.document.filePath().isEmpty());
    EXPECT_EQ(failing.messages.at(0).text,
              QStringLiteral("File Error - \"%1\"").arg(path("absent.qrx")));
}

TEST_F(Commands, ClosingAsksOnlyWhenModifiedAndNeverLosesCards) {
    addCards(deck, {"a"});
    EXPECT_TRUE(doc.mayDiscardChanges());

    makeUnsaved(deck);
    ui.answer(Answer::Cancel);
    EXPECT_FALSE(doc.mayDiscardChanges());
    ui.answer(Answer::No);
    EXPECT_TRUE(doc.mayDiscardChanges());
    ui.answer(Answer::Yes).cancelDialog();
    EXPECT_FALSE(doc.mayDiscardChanges());
    EXPECT_TRUE(deck.isModified());
    ui.answer(Answer::Yes).choose(path("closing.qrx"));
    EXPECT_TRUE(doc.mayDiscardChanges());
    EXPECT_TRUE(QFile::exists(path("closing.qrx")));
}

TEST_F(Commands, AFileOpensByWhatItHoldsNotByItsName) {
    // A card file named on the command line (or double-clicked) is imported...
    write(path("old.crd"), cardfile({{"b", "x", {}}, {"a", "y", {}}}));
    doc.startupLoad(path("old.crd"));
    EXPECT_EQ(indexesOf(deck), (Indexes{"a", "b"}));
    EXPECT_TRUE(document.isImported());
    EXPECT_EQ(ui.title, QStringLiteral("Quorix - ") + path("old.crd"));
    // ... and a deck with the name of a card file opens as a deck.
    writeDeck(path("deck.crd"), {"deck card"});
    EXPECT_TRUE(doc.openFile(path("deck.crd")));
    EXPECT_EQ(indexesOf(deck), (Indexes{"deck card"}));
    EXPECT_FALSE(document.isImported());
    // Neither kind: the message the name promises.
    write(path("text.crd"), "plain text");
    ui.answer(Answer::Ok);
    EXPECT_FALSE(doc.openFile(path("text.crd")));
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("File not compatible"));
    EXPECT_EQ(indexesOf(deck), (Indexes{"deck card"}));
}

TEST_F(Commands, TheRecentDecksAreKeptInTheProfile) {
    for (const char* name : {"one.qrx", "two.qrx", "three.qrx", "four.qrx", "five.qrx"})
        writeDeck(path(name), {"x"});
    doc.startupLoad(path("one.qrx"));
    for (const char* name : {"two.qrx", "three.qrx", "four.qrx"}) {
        ui.choose(path(name));
        doc.Open();
    }
    ui.choose(path("five.qrx"));
    ASSERT_TRUE(doc.SaveAs());
    EXPECT_TRUE(doc.openFile(path("three.qrx"))); // as a drop or a recent entry does
    EXPECT_EQ(profile.recentFiles(), (QStringList{path("three.qrx"), path("five.qrx"),
                                                  path("four.qrx"), path("two.qrx")}));
    // Beside "Last File", which keeps its own meaning.
    EXPECT_EQ(settings.value(QStringLiteral("Settings/Last File")).toString(), path("three.qrx"));
    EXPECT_EQ(settings.value(QStringLiteral("Settings/Recent Files")).toStringList().size(), 4);
    // Any name comes back as its bytes, '%' and all.
    const QString odd = FileNames::decode(QFile::encodeName(dir.path()) + "/100%\xe9.qrx");
    profile.addRecentFile(odd);
    EXPECT_EQ(profile.recentFiles().front(), odd);
    profile.removeRecentFile(odd);
    EXPECT_EQ(profile.recentFiles().front(), path("three.qrx"));
    // A deck's set goes with the file, whatever path leads to it.
    ASSERT_TRUE(QFile::link(path("two.qrx"), path("link.qrx")));
    profile.setCharacterSetOf(path("two.qrx"), 1253);
    EXPECT_EQ(profile.characterSetOf(path("link.qrx")), 1253);
    profile.setCharacterSetOf(path("link.qrx"), 1251);
    EXPECT_EQ(profile.characterSetOf(path("two.qrx")), 1251);
}

// Another program's change is never overwritten without a word, however it was made; the
// deck's own save, or bytes put back unchanged, ask nothing.
TEST_F(Commands, SaveAsksBeforeWritingOverAFileAnotherProgramChanged) {
    const QString file = path("synced.qrx");
    writeDeck(file, {"mine"});
    ui.choose(file);
    doc.Open();
    const QByteArray opened = read(file);
    const auto edit = [this] {
        putBody(deck, 0, "edited");
        makeUnsaved(deck);
    };
    // Another deck of the same size renamed over it, with the old file's times: only the
    // file's identity tells.
    const auto replaceByRename = [&] {
        const QByteArray other = QByteArray(opened).replace("mine", "them");
        write(path("new.tmp"), other);
        struct stat old {};
        ASSERT_EQ(stat(QFile::encodeName(file).constData(), &old), 0);
        const timespec times[2] = {old.st_atim, old.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path("new.tmp")).constData(), times, 0), 0);
        ASSERT_TRUE(QFile::remove(file));
        ASSERT_TRUE(QFile::rename(path("new.tmp"), file));
    };

    edit();
    replaceByRename();
    ui.pick(2); // Cancel
    EXPECT_FALSE(doc.Save());
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Quorix"));
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(ui.messages.back().text.contains(file));
    EXPECT_EQ(ui.lastDefaultChoice, 0); // Save As: the default never overwrites
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(deck.card(0).bodyText(), "edited");
    EXPECT_NE(read(file), opened); // theirs, untouched

    ui.pick(1); // Overwrite
    EXPECT_TRUE(doc.Save());
    EXPECT_FALSE(deck.isModified());

    // The program's own save, and the same bytes written again in place, are no change.
    edit();
    ASSERT_TRUE(doc.Save());
    // Its bytes were hashed as they were written.
    ASSERT_TRUE(document.guard().stamp()->hash);
    const QByteArray ours = read(file);
    write(file, ours);
    edit();
    EXPECT_TRUE(doc.Save()); // no box: the script has none
    const std::size_t boxes = ui.messages.size();

    // Written in place by another program: asked again, and Save As keeps both.
    write(file, QByteArray(ours).replace("mine", "them"));
    edit();
    ui.pick(0).choose(path("copy.qrx"));
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(ui.messages.size(), boxes + 1);
    EXPECT_EQ(document.filePath(), path("copy.qrx"));
    EXPECT_TRUE(read(file).contains("them"));
}
