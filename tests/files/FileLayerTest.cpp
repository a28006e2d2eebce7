#include "files/ConflictCopies.h"
#include "files/FileNames.h"
#include "files/FileStamp.h"
#include "files/SafeWrite.h"
#include "support/DocumentFixture.h"
#include "support/StateHome.h"

#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileLayer : public DocumentFixture {
protected:
    void touch(const QString& file) {
        const timespec later[2] = {{time(nullptr) + 60, 0}, {time(nullptr) + 60, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(file).constData(), later, 0), 0);
    }
};

} // namespace

// Each file's stamp carries the hash of its own bytes, taken as it was read: opening a large
// deck and then a small one loses nothing, and a touched file with its bytes unchanged asks
// nothing.
TEST_F(FileLayer, OverlappingOpensKeepEachFilesHash) {
    {
        Deck big;
        CardBlock cards;
        for (int i = 0; i < 20000; ++i)
            cards.append("card " + std::to_string(i), std::string(300, 'x'));
        big.appendCards(std::move(cards));
        DocumentOf writer(big, ui, profile);
        ASSERT_TRUE(writer.commands.WriteDeckFile(path("big.qrx")));
    }
    writeDeck(path("small.qrx"), {"small"});
    ASSERT_TRUE(doc.openFile(path("big.qrx")));
    ASSERT_TRUE(doc.openFile(path("small.qrx")));
    ASSERT_TRUE(document.guard().stamp()->hash);
    touch(path("small.qrx"));
    deck.setBody(0, "edited");
    EXPECT_TRUE(doc.Save()); // no box: the script has none
    EXPECT_FALSE(deck.isModified());
}

// Where a change could have left the file's times as they were (a clock of whole seconds, a
// change within the same tick), the bytes decide; once the times are older than the blur, they
// alone do.
TEST_F(FileLayer, TimesTooCloseToTheLastReadAreCheckedByTheBytes) {
    const QString file = path("d.qrx");
    writeDeck(file, {"one"});
    std::optional<FileStamp> known = FileStamp::of(file);
    known->hash = FileStamp::hashOf(file);
    QByteArray bytes = read(file);
    bytes.replace("one", "two");
    write(file, bytes); // the same size, in place
    // As a file system of whole seconds would show it: the times as before.
    const std::optional<FileStamp> now = FileStamp::of(file);
    known->modifiedNs = now->modifiedNs;
    known->statusChangedNs = now->statusChangedNs;
    known->takenNs = now->statusChangedNs + FileStamp::ClockBlurNs / 2;
    EXPECT_EQ(compareFile(*known, file), FileState::Changed);
    known->takenNs = now->statusChangedNs + 2 * FileStamp::ClockBlurNs;
    EXPECT_EQ(compareFile(*known, file), FileState::Unchanged);
    EXPECT_EQ(compareFile(*known, path("d.qrx/x")), FileState::Gone);
}

// Just before the new bytes take the file's place it is looked at again: a change since the
// check leaves it as the other program made it.
TEST_F(FileLayer, TheFileIsLookedAtAgainJustBeforeItIsReplaced) {
    const QString file = path("d.qrx");
    write(file, "theirs, written meanwhile");
    for (const bool agree : {false, true}) {
        SafeWrite::Options options;
        int asked = 0;
        options.mayReplace = [&] {
            ++asked;
            return agree;
        };
        const SafeWrite::Result r = SafeWrite::writeFile(
            file, [](QIODevice& d) { return d.write("ours") == 4; }, options);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(r.ok, agree);
        EXPECT_EQ(read(file), agree ? QByteArray("ours") : QByteArray("theirs, written meanwhile"));
        EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".quorix*")}, QDir::Hidden).size(), 0);
    }
}

// The temporary files of a save that a crash cut short go the next time the deck is opened or
// saved; a file of a save still running, or anything else, stays.
TEST_F(FileLayer, StaleTemporariesGoAndNothingElse) {
    writeDeck(path("deck.qrx"), {"a"});
    const QStringList stale{QStringLiteral(".quorix-save-999999999-abc.tmp")};
    const QStringList kept{QStringLiteral(".quorix-save-%1-abc.tmp").arg(getpid()),
                           QStringLiteral(".quorix-save-notes.tmp"), QStringLiteral("notes.tmp"),
                           QStringLiteral(".quorix-x1.tmp")};
    for (const QString& name : stale + kept)
        write(path(name.toUtf8().constData()), "x");
    // An earlier version's temporary file, left long ago.
    write(path(".quorix-k3j9.tmp"), "x");
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, QFile::encodeName(path(".quorix-k3j9.tmp")).constData(), old, 0);
    ASSERT_TRUE(doc.openFile(path("deck.qrx")));
    for (const QString& name : stale)
        EXPECT_FALSE(QFile::exists(path(name.toUtf8().constData()))) << name.toStdString();
    EXPECT_FALSE(QFile::exists(path(".quorix-k3j9.tmp")));
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(path(name.toUtf8().constData()))) << name.toStdString();
}

// A path is read as the system reads it: ".." after a symbolic link leads out of where the
// link points. A stored name keeps every byte, a line break too, on one line.
TEST(FileNamesAsTheSystemReadsThem, DotDotAfterALinkAndStoredNames) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("a/b")));
    ASSERT_EQ(symlink(QFile::encodeName(dir.filePath(QStringLiteral("a/b"))).constData(),
                      QFile::encodeName(dir.filePath(QStringLiteral("lnk"))).constData()),
              0);
    EXPECT_EQ(FileNames::absolute(dir.filePath(QStringLiteral("lnk/../notes.qrx"))),
              QFileInfo(dir.filePath(QStringLiteral("a"))).canonicalFilePath() +
                  QStringLiteral("/notes.qrx"));
    EXPECT_EQ(FileNames::absolute(QStringLiteral("/x/./y//z.qrx")), QStringLiteral("/x/y/z.qrx"));
    const QString odd = FileNames::decode("/d/line\nbreak\r\x01 100%\xff.qrx");
    const QString stored = FileNames::toStored(odd);
    EXPECT_FALSE(stored.contains(u'\n'));
    EXPECT_FALSE(stored.contains(u'\r'));
    EXPECT_EQ(FileNames::fromStored(stored), odd);
}

// The names sync tools give the version that lost, and names that only look alike.
TEST(ConflictCopyNames, EachToolsFormAndNothingElse) {
    const QString deck = QStringLiteral("Notes 2026.qrx");
    const char* const copies[] = {
        "Notes 2026.sync-conflict-20261208-101500-ABCDEFG.qrx",
        "Notes 2026 (conflicted copy 2026-12-08 101500).qrx",
        "Notes 2026 (Anna's conflicted copy 2026-12-08).qrx",
        "Notes 2026 (Anna's conflicted copy 2026-12-08 (1)).qrx",
        "NOTES 2026.SYNC-CONFLICT-20261208-101500-abcdefg.QRX",
    };
    for (const char* name : copies)
        EXPECT_TRUE(ConflictCopies::isCopyOf(QString::fromUtf8(name), deck)) << name;
    const char* const others[] = {
        "Notes 2026.qrx",
        "Notes 2026 (copy).qrx",
        "Notes 2026.sync-conflict-20261208-101500-ABCDEFG.crd",
        "Notes 2025.sync-conflict-20261208-101500-ABCDEFG.qrx",
        "Notes 2026.sync-conflict-2026-101500-ABCDEFG.qrx",
        "Other Notes 2026 (conflicted copy 2026-12-08).qrx",
    };
    for (const char* name : others)
        EXPECT_FALSE(ConflictCopies::isCopyOf(QString::fromUtf8(name), deck)) << name;
    // Characters of patterns in the deck's own name are only characters.
    EXPECT_FALSE(ConflictCopies::isCopyOf(QStringLiteral("aXb.sync-conflict-20261208-101500-A.qrx"),
                                          QStringLiteral("a.b.qrx")));
    EXPECT_TRUE(ConflictCopies::isCopyOf(QStringLiteral("a.b.sync-conflict-20261208-101500-A.qrx"),
                                         QStringLiteral("a.b.qrx")));
}

// A merged conflict copy goes to the trash, made where it is missing, and never into a
// "files" folder of the working folder (where Qt puts it when it finds no trash).
TEST(ConflictCopyNames, TheTrashIsMadeWhereItIsMissing) {
    QTemporaryDir dir;
    const StateHome data(dir.filePath(QStringLiteral("no/such/data")), "XDG_DATA_HOME");
    const QString copy = dir.filePath(QStringLiteral("d.sync-conflict-20261208-101500-A.qrx"));
    QFile(copy).open(QIODevice::WriteOnly);
    ASSERT_TRUE(ConflictCopies::moveToTrash(copy));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(QFile::exists(dir.filePath(
        QStringLiteral("no/such/data/Trash/files/d.sync-conflict-20261208-101500-A.qrx"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("files")));
}
