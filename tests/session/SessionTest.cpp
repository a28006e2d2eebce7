#include "files/DeckFile.h"
#include "files/StateFolder.h"
#include "ports/CommandBinder.h"
#include "session/DeckSession.h"
#include "session/RecoveryCopies.h"
#include "session/SignalPipe.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"
#include "support/StateHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <map>

namespace {

// The bindings of the core's commands, asked as the window asks them.
struct Rules : CommandBinder {
    std::map<int, Rule> rules;
    void bind(int id, Run, Rule enabled) override { rules[id] = std::move(enabled); }
    void bindChecked(int, Rule) override {}
    std::vector<int> enabled() const {
        std::vector<int> out;
        for (const auto& [id, rule] : rules) {
            if (!rule || rule())
                out.push_back(id);
        }
        return out;
    }
};

} // namespace

TEST(Session, EnableRulesFollowTheDeckAndTheDocument) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    FakeUi ui;
    DeckSession session(settings, ui);
    Rules rules;
    session.bindCommands(rules);
    // A new deck is a Unicode deck: Unicode is its one character set.
    std::vector<int> always{Cmd::New,
                            Cmd::Open,
                            Cmd::ImportCardfile,
                            Cmd::MergeChangesFrom,
                            Cmd::Add,
                            Cmd::CharacterSet + CharacterSet::Unicode};
    std::vector<int> cards{Cmd::Save,
                           Cmd::SaveAs,
                           Cmd::Merge,
                           Cmd::ExportText,
                           Cmd::ExportCommaDelimited,
                           Cmd::PrintCard,
                           Cmd::PrintList,
                           Cmd::PrintTag,
                           Cmd::SendList,
                           Cmd::SendTag,
                           Cmd::EditIndex,
                           Cmd::GoTo,
                           Cmd::Duplicate,
                           Cmd::Delete,
                           Cmd::NextCard,
                           Cmd::PreviousCard};
    if (IsMailAvailable())
        cards.push_back(Cmd::SendCard);
    const auto sorted = [](std::vector<int> ids) {
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    EXPECT_EQ(rules.enabled(), sorted(always));

    addCards(session.deck(), {"a", "b"});
    std::vector<int> withCards = always;
    withCards.insert(withCards.end(), cards.begin(), cards.end());
    EXPECT_EQ(rules.enabled(), sorted(withCards));

    // A deleted card can come back; a changed front card can be restored.
    ui.answer(Answer::Yes);
    session.commands().Delete();
    putBody(session.deck(), 0, "changed");
    withCards.push_back(Cmd::Undelete);
    withCards.push_back(Cmd::RestoreCard);
    EXPECT_EQ(rules.enabled(), sorted(withCards));
}

TEST(Session, EveryChangeIsAnnouncedOncePerBatchAndTheFlagWhenItFlips) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    FakeUi ui;
    DeckSession session(settings, ui);
    QSignalSpy changed(&session, &DeckSession::deckChanged);
    QSignalSpy modified(&session, &DeckSession::modifiedChanged);
    Deck& deck = session.deck();
    {
        const Deck::Batch batch(deck);
        deck.AppendCard("b");
        deck.AppendCard("a");
        deck.SortByIndex();
        deck.setBody(0, "text");
    }
    ASSERT_EQ(changed.count(), 1);
    const auto all = changed.takeFirst().at(0).value<DeckChanges>();
    EXPECT_EQ(all, DeckChange::Count | DeckChange::Front | DeckChange::Order | DeckChange::Text);
    EXPECT_EQ(modified.count(), 1);

    // Rotations change nothing to save; an unchanged text is no change at all.
    deck.markClean();
    modified.clear();
    deck.BringCardToFront(1);
    deck.setBody(0, deck.card(0).bodyText());
    deck.setTag(0, 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(modified.count(), 0);
    deck.setTag(0, 5);
    deck.setTag(0, 1); // tagged already
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(modified.count(), 1);
}

// A copy left by a program that has ended comes back whole, as a modified deck of its file;
// one that cannot be read is set aside with a message, never loaded half or deleted.

TEST(Recovery, WorkComesBackAfterTheProgramEndedAndADamagedCopyIsSetAside) {
    QTemporaryDir dir;
    const StateHome state(dir.filePath(QStringLiteral("state")));
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    const QString deckPath = dir.filePath(QStringLiteral("deck.qrx"));
    std::optional<FileStamp> stamp;
    {
        FakeUi ui;
        DeckSession first(settings, ui);
        addCards(first.deck(), {"b", "a"});
        first.deck().SortByIndex();
        ui.choose(deckPath);
        ASSERT_TRUE(first.documentCommands().SaveAs());
        stamp = first.document().guard().stamp();
        putBody(first.deck(), 0, "unsaved \xc3\xa9"); // a Unicode deck: UTF-8
        makeUnsaved(first.deck());
        ASSERT_TRUE(first.recovery().writeNow());
        // Still running: no one else offers its work.
        EXPECT_TRUE(RecoveryCopies::leftOver({}, nullptr).empty());
    } // still modified: the copy stays, as after a kill
    QDir folder(StateFolder::recovery());
    const QStringList infos = folder.entryList({QStringLiteral("*.info")});
    ASSERT_EQ(infos.size(), 1);
    // The program that wrote it has ended (a process that cannot be this one).
    QFile info(folder.filePath(infos[0]));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    QByteArray text = info.readAll();
    info.close();
    const qsizetype at = text.indexOf("program=") + 8;
    text.replace(at, text.indexOf('\n', at) - at, "999999999:1");
    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write(text);
    info.close();
    // A copy of a newer Quorix beside it.
    QFile newer(folder.filePath(QStringLiteral("deck-newer.info")));
    ASSERT_TRUE(newer.open(QIODevice::WriteOnly));
    newer.write(
        "Quorix recovery copy\nversion=9\nprogram=1:1\npath=\nchanged=2026-01-01T00:00:00Z\n");
    newer.close();

    FakeUi ui;
    DeckSession second(settings, ui);
    ui.pick(0).answer(Answer::Ok);
    second.offerRecovery();
    EXPECT_TRUE(ui.messages.at(0).text.contains(deckPath));
    EXPECT_EQ(ui.lastChoices, (QStringList{QStringLiteral("&Recover"), QStringLiteral("&Discard"),
                                           QStringLiteral("&Keep for Later")}));
    EXPECT_TRUE(ui.messages.at(1).text.contains(QStringLiteral("set aside")));
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("set-aside/deck-newer.info"))));
    EXPECT_EQ(indexesOf(second.deck()), (Indexes{"a", "b"}));
    EXPECT_EQ(second.deck().card(0).bodyText(), "unsaved \xc3\xa9");
    EXPECT_TRUE(second.deck().isModified());
    EXPECT_EQ(second.document().filePath(), deckPath);
    // The file is as it was when the work began: Save writes it without asking.
    EXPECT_EQ(second.document().guard().stamp()->inode, stamp->inode);
    EXPECT_TRUE(second.documentCommands().Save());
    EXPECT_TRUE(QDir(StateFolder::recovery()).entryList({QStringLiteral("*.info")}).isEmpty());
}

// SIGTERM, SIGHUP and SIGINT reach the event loop as a signal of their own, never as work done
// inside the handler; the unsaved work is then kept for the next start.
TEST(Recovery, ASignalKeepsTheWorkForTheNextStart) {
    QTemporaryDir dir;
    const StateHome state(dir.filePath(QStringLiteral("state")));
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    FakeUi ui;
    DeckSession session(settings, ui);
    addCards(session.deck(), {"typed"});
    makeUnsaved(session.deck());
    SignalPipe pipe;
    QObject::connect(&pipe, &SignalPipe::received, &session,
                     [&session](int) { session.keepWorkForNextStart(); });
    QSignalSpy received(&pipe, &SignalPipe::received);
    for (int signal : {SIGHUP, SIGTERM}) {
        raise(signal);
        ASSERT_TRUE(received.wait(2000));
        EXPECT_EQ(received.takeFirst().at(0).toInt(), signal);
    }
    EXPECT_EQ(QDir(StateFolder::recovery()).entryList({QStringLiteral("*.qrx")}).size(), 1);
    session.deck().markClean(); // discarded: the copy goes
    EXPECT_TRUE(QDir(StateFolder::recovery()).entryList({QStringLiteral("*.qrx")}).isEmpty());
}

// Another program's change to the file is read in, but never under an open dialog: what the
// user does there (tags, an index) is meant for the cards the dialog shows.
TEST(Session, AnotherProgramsChangeWaitsForTheOpenDialog) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.qrx"));
    const auto writeDeck = [&](const char* index) {
        Deck deck;
        deck.AppendCard(index);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && DeckFile::write(deck, file);
    };
    ASSERT_TRUE(writeDeck("one"));
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    FakeUi ui;
    DeckSession session(settings, ui);
    ASSERT_TRUE(session.documentCommands().openFile(path));
    ui.dialogShown = true;
    ASSERT_TRUE(writeDeck("two"));
    QTest::qWait(1500);
    EXPECT_EQ(session.deck().card(0).indexText(), "one");
    ui.dialogShown = false;
    QTRY_COMPARE_WITH_TIMEOUT(std::string(session.deck().card(0).indexText()), std::string("two"),
                              3000);
}

// The file dialogs start beside the open deck, even one named on the command line (which
// leaves "Last File" as it was); with no deck, beside the last file.
TEST(Session, FileDialogsStartInTheOpenDecksFolder) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("decks"));
    const QString path = dir.filePath(QStringLiteral("decks/a.qrx"));
    {
        Deck deck;
        deck.AppendCard("one");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && DeckFile::write(deck, file));
    }
    QSettings settings(dir.filePath(QStringLiteral("q.ini")), QSettings::IniFormat);
    FakeUi ui;
    DeckSession session(settings, ui);
    session.profile().setLastFile(dir.filePath(QStringLiteral("elsewhere/b.qrx")));
    session.documentCommands().startupLoad(path);
    ui.cancelDialog();
    session.documentCommands().SaveAs();
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].initialFolder, dir.filePath(QStringLiteral("decks")));
    EXPECT_EQ(ui.fileDialogs[0].initialName, QStringLiteral("a.qrx"));
    session.documentCommands().New();
    ui.cancelDialog();
    session.documentCommands().Open();
    EXPECT_EQ(ui.fileDialogs[1].initialFolder, dir.filePath(QStringLiteral("elsewhere")));
}
