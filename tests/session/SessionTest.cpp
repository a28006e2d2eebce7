#include "session/CommandBinder.h"
#include "session/DeckSession.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <map>

namespace {

// The bindings of the core's commands, asked as the window asks them.
struct Rules : CommandBinder {
    std::map<int, Rule> rules;
    void bind(int id, Run, Rule enabled) override { rules[id] = std::move(enabled); }
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
    const std::vector<int> always{Cmd::New, Cmd::Open, Cmd::ImportCardfile, Cmd::Add};
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
    deck.setModified(false);
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
