#include "files/SafeWrite.h"
#include "files/CardfileReader.h"
#include "files/DeckFile.h"
#include "files/FileNames.h"
#include "files/FileReading.h"
#include "support/DocumentFixture.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// A forked child ends without the leak check: the parent's other threads (a pool's idle
// worker) are not in the fork, so what they hold would be reported as lost.
[[noreturn]] static void leaveChild(int code) {
    std::fflush(stderr);
    std::_Exit(code);
}

// Writes that really fail: a file-size limit in a child process, a device that is full, a
// folder the user may not write into. Each child reports through its exit status.
class SafeWriting : public DocumentFixture {
protected:
    // The child is a fork of this very test, in the same folder; no threads run here.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
    static QByteArray bytes(std::initializer_list<const char*> indexes) {
        Deck d;
        addCards(d, indexes);
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        DeckFile::write(d, buffer);
        return out;
    }
};

TEST_F(SafeWriting, OverAFileSizeLimitASaveFailsAndKeepsTheOldFile) {
    writeDeck(path("deck.qrx"), {"old"});
    const QByteArray before = read(path("deck.qrx"));
    addCards(deck, {"a small deck that fits in one buffered block"});
    makeUnsaved(deck);
    // The limit is below even one card: the failure comes at the last, buffered write, which
    // a commit that does not check it would take for success.
    const auto saveUnderLimit = [this] {
        const rlimit limit{300, 300};
        setrlimit(RLIMIT_FSIZE, &limit);
        SafeWrite::ignoreFileSizeSignal();
        ui.answer(Answer::Ok);
        const bool saved = doc.WriteDeckFile(path("deck.qrx"));
        const QString text = ui.messages.empty() ? QString() : ui.messages.back().text;
        std::fprintf(stderr, "%s", qPrintable(text));
        leaveChild(
            !saved && deck.isModified() && text.endsWith(QLatin1String("File too large")) ? 0 : 1);
    };
    EXPECT_EXIT(saveUnderLimit(), testing::ExitedWithCode(0), "File Error - .*\nFile too large");
    EXPECT_EQ(read(path("deck.qrx")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("deck.qrx")}));
}

TEST_F(SafeWriting, TheConverterUnderAFileSizeLimitSaysSoAndWritesNothing) {
    writeDeck(path("in.qrx"), {"a", "b", "c"});
    write(path("out.txt"), "old");
    QProcess convert;
    convert.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("ulimit -f 0; exec \"$0\" \"$1\" \"$2\""),
                   QStringLiteral(QUORIX_CONVERT), path("in.qrx"), path("out.txt")});
    ASSERT_TRUE(convert.waitForFinished(10000));
    EXPECT_EQ(convert.exitStatus(), QProcess::NormalExit); // not killed by the limit
    EXPECT_EQ(convert.exitCode(), 1);
    EXPECT_TRUE(convert.readAllStandardError().contains("out.txt: File too large"));
    EXPECT_EQ(read(path("out.txt")), QByteArray("old"));
}

TEST(SafeWrite, AFullDeviceFailsAtTheLastFlush) {
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    ASSERT_EQ(full.write("fits in the buffer"), 18); // the buffer takes it
    QString reason;
    EXPECT_FALSE(SafeWrite::flushAndCheck(full, &reason));
    EXPECT_EQ(reason, QStringLiteral("No space left on device"));
}

TEST_F(SafeWriting, AWritableDeckInAReadOnlyFolderIsSavedInPlace) {
    // Root may write anywhere, so the child becomes an ordinary user first.
    const uid_t nobody = 65534;
    QDir().mkdir(path("ro"));
    writeDeck(path("ro/deck.qrx"), {"old"});
    if (geteuid() == 0) {
        ASSERT_EQ(chown(QFile::encodeName(path("ro/deck.qrx")).constData(), nobody, nobody), 0);
        ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(path("ro")).constData(), 0555), 0);
    // The user's own state folder, where the old bytes are kept while the new ones go in.
    QDir().mkdir(path("state"));
    if (geteuid() == 0) {
        ASSERT_EQ(chown(QFile::encodeName(path("state")).constData(), nobody, nobody), 0);
    }
    addCards(deck, {"cards", "new"});
    makeUnsaved(deck);
    const auto saveAsUser = [&] {
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            leaveChild(2);
        qputenv("XDG_STATE_HOME", QFile::encodeName(path("state")));
        ui.answer(Answer::Ok);
        const bool inPlace = doc.WriteDeckFile(path("ro/deck.qrx"));
        // A new file there cannot be made at all.
        const bool refused = !doc.WriteDeckFile(path("ro/other.qrx")) &&
                             ui.messages.back().text.endsWith(QLatin1String("Permission denied"));
        leaveChild(inPlace && refused ? 0 : 1);
    };
    EXPECT_EXIT(saveAsUser(), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read(path("ro/deck.qrx")), bytes({"cards", "new"}));
    chmod(QFile::encodeName(path("ro")).constData(), 0755);
}

TEST(FileNameBytes, EveryNameComesBackAsItsBytes) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        QByteArray name;
        for (int n = static_cast<int>(random() % 12); n > 0; --n)
            name += static_cast<char>(1 + random() % 255);
        const QString decoded = FileNames::decode(name);
        ASSERT_EQ(FileNames::encode(decoded), name) << name.toHex().constData();
        if (QString::fromUtf8(name).toUtf8() == name) {
            EXPECT_EQ(decoded, QString::fromUtf8(name)); // valid UTF-8 reads as Qt reads it
        }
    }
    EXPECT_EQ(FileNames::display(FileNames::decode("caf\xe9.qrx")),
              QStringLiteral("caf\uFFFD.qrx"));
}

TEST_F(SafeWriting, NamesThatAreNotUtf8AreOpenedAndWrittenExactly) {
    const QByteArray folder = QFile::encodeName(dir.path());
    const QString latin1 = FileNames::decode(folder + "/caf\xe9.qrx");
    addCards(deck, {"x"});
    ASSERT_TRUE(doc.WriteDeckFile(latin1));
    struct stat st {};
    EXPECT_EQ(stat((folder + "/caf\xe9.qrx").constData(), &st), 0); // those bytes, no other name
    QByteArrayList names;
    if (DIR* d = opendir(folder.constData())) {
        while (const dirent* e = readdir(d))
            names << QByteArray(e->d_name);
        closedir(d);
    }
    names.removeAll(".");
    names.removeAll("..");
    EXPECT_EQ(names, QByteArrayList{"caf\xe9.qrx"});
    deck.RemoveAllCards();
    EXPECT_TRUE(doc.LoadDeckFile(latin1));
    EXPECT_EQ(indexesOf(deck), (Indexes{"x"}));
    // What Qt's dialog returns for it leads back to it.
    EXPECT_EQ(FileNames::resolve(QString::fromUtf8(folder + "/caf\xe9.qrx")), latin1);
    EXPECT_TRUE(FileNames::sameFile(
        latin1, FileNames::resolve(QFile::decodeName(folder + "/caf\xe9.qrx"))));

    // The real converter: both names exactly as given.
    QProcess convert;
    const QByteArray out = folder + "/\xff\xfe.txt";
    const QByteArray command = "exec '" QUORIX_CONVERT "' \"$(printf '" + folder +
                               "/caf\\351.qrx')\" \"$(printf '" + folder + "/\\377\\376.txt')\"";
    convert.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromLatin1(command)});
    ASSERT_TRUE(convert.waitForFinished(10000));
    EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().constData();
    EXPECT_EQ(stat(out.constData(), &st), 0);
}

TEST_F(SafeWriting, TheConverterNeverWritesOverItsInput) {
    writeDeck(path("in.qrx"), {"keep"});
    const QByteArray before = read(path("in.qrx"));
    ASSERT_EQ(symlink(QFile::encodeName(path("in.qrx")).constData(),
                      QFile::encodeName(path("link.qrx")).constData()),
              0);
    ASSERT_EQ(link(QFile::encodeName(path("in.qrx")).constData(),
                   QFile::encodeName(path("hard.qrx")).constData()),
              0);
    for (const char* out : {"in.qrx", "link.qrx", "hard.qrx"}) {
        QProcess convert;
        convert.start(QStringLiteral(QUORIX_CONVERT), {path("in.qrx"), path(out)});
        ASSERT_TRUE(convert.waitForFinished(10000));
        EXPECT_EQ(convert.exitCode(), 1) << out;
        EXPECT_TRUE(convert.readAllStandardError().contains("is the input file itself")) << out;
        EXPECT_EQ(read(path("in.qrx")), before);
    }
}

TEST_F(SafeWriting, AHugeFileThatIsNoCardFileCostsNoMemory) {
    // A gigabyte, sparse: the signature decides before any of it is read.
    for (const QByteArray& head : {QByteArray("not a card file"), QByteArray("MGC\xff\xff")}) {
        QFile big(path("big.crd"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(head);
        ASSERT_TRUE(big.resize(qint64(1) << 30));
        big.close();
        const auto import = [this] {
            rusage before{};
            getrusage(RUSAGE_SELF, &before);
            QFile file;
            const bool opened = openForReading(file, path("big.crd"));
            const auto result = CardfileReader::read(file, CharacterSet());
            rusage after{};
            getrusage(RUSAGE_SELF, &after);
            const long grownKb = after.ru_maxrss - before.ru_maxrss;
            // The cards themselves, and a few megabytes besides (twice as much under the
            // address sanitizer, whose allocations are larger).
#if defined(__SANITIZE_ADDRESS__)
            constexpr long Overhead = 2;
#else
            constexpr long Overhead = 1;
#endif
            const long allowedKb =
                Overhead *
                (static_cast<long>(result.cards.size() * (sizeof(Card) + 64) / 1024) + 16 * 1024);
            std::fprintf(stderr, "grew %ld KB", grownKb);
            leaveChild(opened && grownKb < allowedKb ? 0 : 1);
        };
        EXPECT_EXIT(import(), testing::ExitedWithCode(0), "grew");
    }
}

// A save keeps the file what it was: its owner, group and mode, every name it has, its
// extended attributes; and it never replaces a file the user may not write.
class KeptFile : public SafeWriting {
protected:
    static constexpr uid_t Nobody = 65534;
    struct stat statOf(const char* name) {
        struct stat st {};
        EXPECT_EQ(stat(QFile::encodeName(path(name)).constData(), &st), 0);
        return st;
    }
    void SetUp() override {
        SafeWriting::SetUp();
        QDir().mkdir(path("state"));
        qputenv("XDG_STATE_HOME", QFile::encodeName(path("state")));
        writeDeck(path("deck.qrx"), {"old"});
        addCards(deck, {"a", "new", "deck"});
        deck.SortByIndex();
        makeUnsaved(deck);
    }
};

TEST_F(KeptFile, OwnerGroupModeLinksAndAttributesStay) {
    if (geteuid() != 0)
        GTEST_SKIP() << "files of another owner need root to make";
    const QByteArray file = QFile::encodeName(path("deck.qrx"));
    ASSERT_EQ(chown(file.constData(), Nobody, Nobody), 0);
    ASSERT_EQ(chmod(file.constData(), 0660), 0);
    ASSERT_EQ(link(file.constData(), QFile::encodeName(path("other name.qrx")).constData()), 0);
    const struct stat before = statOf("deck.qrx");
    ASSERT_TRUE(doc.WriteDeckFile(path("deck.qrx")));
    const struct stat after = statOf("deck.qrx");
    EXPECT_EQ(after.st_uid, Nobody);
    EXPECT_EQ(after.st_gid, Nobody);
    EXPECT_EQ(after.st_mode & 07777, 0660u);
    EXPECT_EQ(after.st_ino, before.st_ino); // written in place
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(read(path("other name.qrx")), bytes({"a", "deck", "new"}));
    // Nothing is left in the state folder once the bytes are in.
    EXPECT_TRUE(QDir(path("state/quorix/recovery")).entryList(QDir::Files).isEmpty());

    // The user's own file is replaced by a new one that keeps its attributes.
    ASSERT_EQ(unlink(QFile::encodeName(path("other name.qrx")).constData()), 0);
    ASSERT_EQ(chown(file.constData(), 0, 0), 0);
    if (setxattr(file.constData(), "user.origin", "synced", 6, 0) != 0)
        GTEST_SKIP() << "the file system keeps no extended attributes";
    makeUnsaved(deck);
    ASSERT_TRUE(doc.WriteDeckFile(path("deck.qrx")));
    char value[16] = {};
    EXPECT_EQ(getxattr(file.constData(), "user.origin", value, sizeof value), 6);
    EXPECT_STREQ(value, "synced");
    EXPECT_EQ(statOf("deck.qrx").st_mode & 07777, 0660u);
}

TEST_F(KeptFile, AFileTheUserMayNotWriteIsNeverReplaced) {
    const QByteArray file = QFile::encodeName(path("deck.qrx"));
    const QByteArray before = read(path("deck.qrx"));
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0777), 0); // the folder allows
    ASSERT_EQ(chmod(file.constData(), 0644), 0);
    deck.markClean();
    ASSERT_TRUE(doc.openFile(path("deck.qrx")));
    deck.setBody(0, "mine");
    const auto saveAsAnotherUser = [&] {
        if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
            leaveChild(2);
        if (geteuid() != 0 && access(file.constData(), W_OK) == 0)
            chmod(file.constData(), 0444); // an ordinary user's own read-only deck
        ui.pick(1);                        // Cancel, instead of Save As
        const bool saved = doc.Save();
        const FakeUi::Message& box = ui.messages.back();
        leaveChild(!saved && box.caption == QLatin1String("Quorix") &&
                           box.icon == MessageIcon::Exclamation &&
                           box.text.contains(QLatin1String("read-only")) &&
                           box.text.contains(path("deck.qrx")) && deck.isModified()
                       ? 0
                       : 1);
    };
    EXPECT_EXIT(saveAsAnotherUser(), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read(path("deck.qrx")), before);
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

// A write in place that fails in the middle (a file-size limit reached there) puts the old
// bytes back; one that is cut short by a crash is finished from the kept bytes at the next
// start. Either way the file holds its old contents or its new ones, never a mix.
TEST_F(KeptFile, AnInPlaceWriteCutShortLeavesOldOrNewNeverAMix) {
    const QByteArray file = QFile::encodeName(path("deck.qrx"));
    // A second name: the file is written in place.
    ASSERT_EQ(link(file.constData(), QFile::encodeName(path("twin.qrx")).constData()), 0);
    const QByteArray old = read(path("deck.qrx"));
    const QByteArray fresh = bytes({"a", "deck", "new"});
    ASSERT_GT(fresh.size(), old.size() + 512);
    for (const bool crash : {false, true}) {
        const auto writeUnderLimit = [&] {
            if (!crash)
                SafeWrite::ignoreFileSizeSignal();
            const auto fill = [&](QIODevice& device) {
                const bool ok = device.write(fresh) == fresh.size();
                // The new bytes are whole; the limit falls inside the file's own write.
                const rlimit limit{static_cast<rlim_t>(old.size() + 512),
                                   static_cast<rlim_t>(old.size() + 512)};
                setrlimit(RLIMIT_FSIZE, &limit);
                return ok;
            };
            const SafeWrite::Result r = SafeWrite::writeFile(path("deck.qrx"), fill);
            leaveChild(!r.ok && r.reason == QLatin1String("File too large") ? 0 : 1);
        };
        if (crash) {
            EXPECT_EXIT(writeUnderLimit(), testing::KilledBySignal(SIGXFSZ), "");
            EXPECT_NE(read(path("deck.qrx")), old); // a mix, until the next start
            EXPECT_EQ(SafeWrite::finishInterruptedWrites(), QStringList{path("deck.qrx")});
            EXPECT_EQ(read(path("deck.qrx")), fresh);
        } else {
            EXPECT_EXIT(writeUnderLimit(), testing::ExitedWithCode(0), "");
            EXPECT_EQ(read(path("deck.qrx")), old);
        }
        EXPECT_EQ(read(path("twin.qrx")), read(path("deck.qrx")));
        EXPECT_TRUE(QDir(path("state/quorix/recovery")).entryList(QDir::Files).isEmpty());
    }
}
