#include "deck/BodyText.h"
#include "support/FrameFixture.h"
#include "ui/CardButton.h"
#include "ui/CommandTable.h"

#include <QApplication>
#include <QClipboard>

#include <algorithm>
#include <random>
#include <tuple>

// A few thousand random steps on the real widgets, the way a user types, pastes, jumps and
// browses: in a one-byte code page that becomes a Unicode deck when text it cannot hold comes,
// in one that stores letters as a base with marks and a two-byte one that stay what they are,
// and in a Unicode deck. The deck is checked after every step: what the editor shows is what
// the card holds, byte for byte, every card's bytes read back as themselves, and the modified
// flag says exactly whether anything changed.
class EditSequence : public FrameFixture, public ::testing::WithParamInterface<int> {
protected:
    std::mt19937 random{20261207};

    int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

    QString someText(int maxLength) {
        static const QString pieces[] = {QStringLiteral("a"),
                                         QStringLiteral("Zq"),
                                         QStringLiteral(" "),
                                         QStringLiteral("\u00e9"),
                                         QStringLiteral("\u20ac"),
                                         QStringLiteral("\U0001F600"),
                                         QStringLiteral("\u200e"),
                                         QStringLiteral("\u4e2d"),
                                         QStringLiteral("\u00ad"),
                                         QStringLiteral("\ue000"),
                                         QStringLiteral("\t"),
                                         QStringLiteral("\u1ebf"),
                                         QStringLiteral("e\u0323\u0302"),
                                         QStringLiteral("\u0219"),
                                         QStringLiteral("\u9ad9"),
                                         QStringLiteral("\uf8ff"),
                                         QStringLiteral("\u05e9\u05b8"),
                                         QStringLiteral("\u0e17\u0e35\u0e48"),
                                         QStringLiteral("\u3042")};
        QString out;
        for (int n = 1 + pick(maxLength); n > 0; --n)
            out += pieces[pick(static_cast<int>(std::size(pieces)))];
        return out;
    }

    QString someBreaks() {
        static const QString breaks[] = {QStringLiteral("\n"), QStringLiteral("\r"),
                                         QStringLiteral("\r\n"), QStringLiteral("\u2029")};
        QString out;
        for (int n = 1 + pick(4); n > 0; --n)
            out += someText(3) + breaks[pick(4)];
        return out;
    }

    QByteArray someIndex() {
        static const char* const names[] = {"Apple", "apple",      "Kiwi", "kiwi\tred",
                                            "Melon", "Zest\nline", "Yam",  "Ugli"};
        return QByteArray(names[pick(static_cast<int>(std::size(names)))]);
    }

    // The deck's content, whatever card is in front.
    using Content = std::vector<std::tuple<std::string, std::string, int>>;
    Content content() const {
        Content out;
        for (int k = 0; k < frame->deck().count(); ++k) {
            const Card& c = frame->deck().card(k);
            out.emplace_back(c.indexText(), c.bodyText(), c.isTagged() ? 1 : 0);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    QString shownText() const {
        QString text = editor()->document()->toRawText();
        for (QChar& c : text) {
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
                c = u'\n';
        }
        return text;
    }

    // Typing without a selection only inserts: every other byte of the body, the bytes of
    // every line break included, stays as it was.
    static bool onlyInserted(const std::string& before, const std::string& after) {
        if (after.size() < before.size())
            return false;
        std::size_t prefix = 0;
        while (prefix < before.size() && before[prefix] == after[prefix])
            ++prefix;
        std::size_t suffix = 0;
        while (suffix < before.size() - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
            ++suffix;
        return prefix + suffix == before.size();
    }

    void type(const QString& text) {
        QTextCursor cursor = editor()->textCursor();
        cursor.clearSelection();
        editor()->setTextCursor(cursor);
        const std::string before(frame->deck().card(0).bodyText());
        QKeyEvent press(QEvent::KeyPress, text == u'\r' ? Qt::Key_Return : Qt::Key_unknown,
                        Qt::NoModifier, text);
        QApplication::sendEvent(editor(), &press);
        ASSERT_TRUE(onlyInserted(before, std::string(frame->deck().card(0).bodyText()))) << before;
    }

    void step() {
        Deck& deck = frame->deck();
        switch (pick(14)) {
        case 0:
        case 1: // typing, one key event per piece, as a keyboard or input method sends it
            type(someText(4));
            break;
        case 2:
            QApplication::clipboard()->setText(someBreaks());
            QTest::keyClick(editor(), Qt::Key_Insert, Qt::ShiftModifier);
            break;
        case 3: { // Ctrl with a letter that jumps: the card it leaves keeps every byte
            const Card* was = &deck.card(0);
            const std::string body(was->bodyText());
            const auto key = static_cast<Qt::Key>(Qt::Key_A + pick(26));
            const Qt::KeyboardModifiers mods =
                pick(2) ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier;
            if (CardEdit::chordOf(key, mods) != CardEdit::Chord::Jump)
                break; // the desktop's editing keys, Save
            QTest::keyClick(editor(), key, mods);
            ASSERT_EQ(was->bodyText(), body);
            break;
        }
        case 4:
            QTest::keyClick(editor(), pick(2) ? Qt::Key_Delete : Qt::Key_Backspace);
            break;
        case 5:
            frame->runCommand(Cmd::Undo);
            break;
        case 6: {
            const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                                    Qt::Key_Down, Qt::Key_Home,  Qt::Key_End};
            QTest::keyClick(editor(), keys[pick(6)], pick(3) ? Qt::NoModifier : Qt::ShiftModifier);
            break;
        }
        case 7:
            QTest::mouseClick(front()->button(pick(2) ? Cmd::NextCard : Cmd::PreviousCard),
                              Qt::LeftButton);
            break;
        case 8:
            if (const int back = frame->cardStack()->visibleBackCards(); back > 0) {
                const QPoint at = frame->cardStack()->cardRect(1 + pick(back)).topLeft();
                QTest::mouseClick(frame->cardStack(), Qt::LeftButton, {}, at + QPoint(40, 8));
            }
            break;
        case 9: // the front card's header: Edit Index, cancelled or not
            if (pick(2))
                script.cancelIndex();
            else
                script.type(someIndex());
            QTest::mouseClick(front(), Qt::LeftButton, {}, QPoint(60, 10));
            break;
        case 10:
            if (deck.count() < 12) {
                script.type(someIndex());
                frame->runCommand(Cmd::Add);
            }
            break;
        case 11:
            if (deck.count() > 1) {
                script.answer(pick(2) ? Answer::Yes : Answer::No);
                frame->runCommand(Cmd::Delete);
            }
            break;
        case 12:
            type(QStringLiteral("\r"));
            break;
        case 13:
            frame->runCommand(Cmd::Save);
            break;
        }
    }
};

TEST_P(EditSequence, TheCardAlwaysHoldsWhatTheEditorShowsAndTheFlagTellsTheTruth) {
    const QString file = path("sequence.qrx");
    frame->session().setCharacterSet(GetParam());
    showCards({"Apple", "Kiwi", "Melon", "Yam"});
    // The first text Windows-1252 cannot hold makes it a Unicode deck; the others stay.
    if (GetParam() != CharacterSet::Unicode)
        script.pick(GetParam() == 1252 ? 0 : 1);
    const CharacterSet& set = frame->session().characterSet();
    const auto readsBack = [&set](std::string_view bytes) {
        return set.encode(set.decode(bytes)) == QByteArray(bytes.data(), bytes.size());
    };
    for (int k = 0; k < 4; ++k)
        putBody(frame->deck(), k, "lone\nline\rbreaks\r\nmixed\n\n\r\rend");
    script.choose(file); // the first Save asks for a name
    frame->runCommand(Cmd::Save);
    ASSERT_FALSE(frame->deck().isModified());
    Content saved = content();

    int changes = 0;
    for (int i = 0; i < 3000; ++i) {
        const bool wasModified = frame->deck().isModified();
        const bool wasUnicode = set.isUnicode();
        const Content before = content();
        step();
        if (HasFatalFailure())
            FAIL() << "step " << i;
        ASSERT_FALSE(frame->deck().isEmpty());
        const Card& card = frame->deck().card(0);
        const std::string_view stored = card.bodyText();
        ASSERT_EQ(BodyText::fromBytes(stored, set).text(), shownText()) << "step " << i;
        ASSERT_EQ(editor()->storedBody(), QByteArray(stored.data(), stored.size())) << i;
        std::size_t bytes = 0; // what a Unicode deck's file takes, kept as the deck changes
        for (int k = 0; k < frame->deck().count(); ++k) {
            bytes += frame->deck().card(k).size();
            const std::string_view index = frame->deck().card(k).indexText();
            ASSERT_TRUE(std::none_of(index.begin(), index.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
                << "step " << i;
            ASSERT_LE(frame->deck().card(k).bodyText().size(), 511u);
            ASSERT_TRUE(readsBack(index) && readsBack(frame->deck().card(k).bodyText()))
                << "step " << i;
        }
        ASSERT_EQ(frame->deck().byteSize(), bytes) << "step " << i;
        const Content after = content();
        if (wasModified && !frame->deck().isModified() && after != saved && before == after)
            saved = after; // a save
        if (!frame->deck().isModified()) {
            // Unmodified only where the deck is what was saved (an undo may bring it back).
            ASSERT_EQ(after, saved) << "step " << i;
        } else {
            // A deck that became a Unicode deck is changed whatever its bytes.
            ASSERT_TRUE(wasModified || after != before || wasUnicode != set.isUnicode())
                << "flag set without a change, step " << i;
        }
        if (after != saved) {
            ASSERT_TRUE(frame->deck().isModified()) << "a change left unmarked, step " << i;
        }
        if (after != before)
            ++changes;
    }
    EXPECT_GT(changes, 500); // the steps really edit
}

INSTANTIATE_TEST_SUITE_P(InEachKind, EditSequence,
                         ::testing::Values(1252, 1258, 932, CharacterSet::Unicode));
