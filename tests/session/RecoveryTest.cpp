#include "files/DeckFile.h"
#include "files/StateFolder.h"
#include "session/DeckSession.h"
#include "session/RecoveryCopies.h"
#include "support/CardfileBuilder.h"
#include "support/FakeUi.h"
#include "support/StateHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Makes the program that wrote every copy in the folder one that has ended.
void endWriters(const QString& folder, const QString& pattern) {
    for (const QString& name : QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden)) {
        QFile info(folder + u'/' + name);
        ASSERT_TRUE(info.open(QIODevice::ReadOnly));
        QByteArray text = info.readAll();
        info.close();
        const qsizetype at = text.indexOf("program=") + 8;
        text.replace(at, text.indexOf('\n', at) - at, "999999999:1");
        ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
        info.write(text);
    }
}

class Recovering : public testing::Test {
protected:
    QTemporaryDir dir;
    StateHome state{dir.filePath(QStringLiteral("state"))};
    QSettings settings{dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat};

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString copyFolder() const { return StateFolder::recovery(); }
};

} // namespace

// Work on an imported card file comes back as an untitled deck in the set it was typed in;
// its Save asks for a name, and the card file is never written. The copy and its folder are the
// user's alone, whichever way it was written.
TEST_F(Recovering, ACardFileNeverBecomesADeckAndTheWorkKeepsItsSet) {
    const QByteArray card = cardfile({{"\xcf\xf0\xe8\xe2\xe5\xf2", "text", {}}});
    {
        QFile f(path("old.crd"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(card);
    }
    {
        FakeUi ui;
        DeckSession first(settings, ui);
        ASSERT_TRUE(first.documentCommands().openFile(path("old.crd")));
        first.setCharacterSet(1251);
        first.deck().setBody(0, "\xe4\xe0"); // typed in Cyrillic
        // The timer's way, on the worker: the file written there is private too.
        first.recovery().writeCopy();
        QTRY_VERIFY(!first.recovery().place().isEmpty());
        EXPECT_EQ(modeOf(copyFolder()), 0700);
        EXPECT_EQ(modeOf(first.recovery().place().deckFile()), 0600);
        EXPECT_EQ(modeOf(first.recovery().place().noteFile()), 0600);
        // The signal's way, here and now, the same.
        QFile::setPermissions(copyFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther);
        ASSERT_TRUE(first.recovery().writeNow());
        EXPECT_EQ(modeOf(copyFolder()), 0700);
        EXPECT_EQ(modeOf(first.recovery().place().deckFile()), 0600);
    } // still modified: the copy stays, as after a kill
    endWriters(copyFolder(), QStringLiteral("*.info"));

    FakeUi ui;
    DeckSession second(settings, ui);
    ui.pick(0);
    second.offerRecovery();
    EXPECT_TRUE(second.document().filePath().isEmpty());
    EXPECT_FALSE(second.document().isImported());
    EXPECT_EQ(second.characterSet().codePage(), 1251);
    EXPECT_EQ(second.deck().card(0).bodyText(), "\xe4\xe0");
    EXPECT_TRUE(second.deck().isModified());
    ui.choose(path("saved.qrx"));
    ASSERT_TRUE(second.documentCommands().Save());
    EXPECT_EQ(ui.fileDialogs.back().initialName, QStringLiteral("old.qrx"));
    EXPECT_EQ(read(path("old.crd")), card);
    EXPECT_EQ(second.characterSet().codePage(), 1251);
}

// Where the state folder cannot take the copy, it goes beside the deck, hidden, and the next
// start finds it there; where no place takes it, the signal's end says so and fails.
TEST_F(Recovering, ACopyGoesWhereItCanAndIsFoundThere) {
    // A file where a folder should be stops every user, root too.
    QFile(path("blocker")).open(QIODevice::WriteOnly);
    const StateHome blocked(path("blocker/state"));
    QDir().mkdir(path("decks"));
    {
        FakeUi ui;
        DeckSession first(settings, ui);
        addCards(first.deck(), {"a"});
        ui.choose(path("decks/d.qrx"));
        ASSERT_TRUE(first.documentCommands().SaveAs());
        first.deck().setBody(0, "unsaved");
        EXPECT_EQ(first.keepWorkForNextStart(), 0);
        EXPECT_EQ(first.recovery().place().folder, path("decks"));
        EXPECT_TRUE(first.recovery().place().base.startsWith(QLatin1String(".quorix-recovery-")));
        EXPECT_EQ(modeOf(first.recovery().place().deckFile()), 0600);
    }
    endWriters(path("decks"), QStringLiteral(".quorix-recovery-*.info"));
    {
        FakeUi ui;
        DeckSession second(settings, ui);
        ui.pick(0);
        second.offerRecovery();
        EXPECT_EQ(second.document().filePath(), path("decks/d.qrx"));
        EXPECT_EQ(second.deck().card(0).bodyText(), "unsaved");
        ASSERT_TRUE(second.documentCommands().Save());
        EXPECT_TRUE(
            QDir(path("decks"))
                .entryList({QStringLiteral(".quorix-recovery-*")}, QDir::Hidden | QDir::Files)
                .isEmpty());
    }
    // No place at all: an untitled deck, with the home folder blocked as well.
    const StateHome home(path("blocker/home"), "HOME");
    FakeUi ui;
    DeckSession third(settings, ui);
    addCards(third.deck(), {"lost?"});
    third.deck().setBody(0, "typed");
    EXPECT_EQ(third.keepWorkForNextStart(), 1);
}

// A start with a deck of its own offers another deck's work for a window of its own and keeps
// its deck; that window brings the work back by the copy's name, asking nothing.
TEST_F(Recovering, AnotherDecksWorkComesBackInAWindowOfItsOwn) {
    for (const char* name : {"x.qrx", "h.qrx"}) {
        Deck deck;
        deck.AppendCard(name);
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && DeckFile::write(deck, f));
    }
    {
        FakeUi ui;
        DeckSession first(settings, ui);
        ASSERT_TRUE(first.documentCommands().openFile(path("x.qrx")));
        first.deck().setBody(0, "unsaved work");
        ASSERT_EQ(first.keepWorkForNextStart(), 0);
    }
    endWriters(copyFolder(), QStringLiteral("*.info"));

    FakeUi ui;
    DeckSession asked(settings, ui);
    ASSERT_TRUE(asked.documentCommands().openFile(path("h.qrx")));
    QSignalSpy elsewhere(&asked, &DeckSession::recoverInOwnWindow);
    ui.pick(0); // Recover
    asked.offerRecovery();
    EXPECT_EQ(asked.document().filePath(), path("h.qrx"));
    EXPECT_EQ(asked.deck().card(0).indexText(), "h.qrx");
    EXPECT_FALSE(asked.deck().isModified());
    ASSERT_EQ(elsewhere.size(), 1);

    FakeUi other;
    DeckSession own(settings, other);
    ASSERT_TRUE(own.recoverCopy(elsewhere[0][0].toString()));
    EXPECT_EQ(own.document().filePath(), path("x.qrx"));
    EXPECT_EQ(own.deck().card(0).bodyText(), "unsaved work");
    EXPECT_TRUE(own.deck().isModified());
}
