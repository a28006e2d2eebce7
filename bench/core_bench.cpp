// Figures of the core: reading and writing deck files against raw file access of the same
// bytes in the same run, sorting and rotating.
#include "BenchSupport.h"
#include "deck/CharacterSet.h"
#include "deck/DeckMerge.h"
#include "files/DeckFile.h"
#include "files/Profile.h"
#include "session/DeckCommands.h"
#include "session/RecoveryCopy.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

using namespace bench;

namespace {

constexpr int Cards = 100000;

// One plain write of the bytes into a new file, replacing the previous one as a save does.
void rawWrite(const QString& path, const QByteArray& bytes, bool sync) {
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size())
        std::abort();
    if (sync)
        ::fdatasync(fd);
    ::close(fd);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    Profile profile(settings);
    NullUi ui;

    // A saved deck: sorted, then rotated to the card that was in front.
    Deck deck;
    deck.appendCards(realisticCards(Cards, 1));
    deck.SortByIndex();
    deck.BringCardToFront(Cards / 3);
    DocumentOf docs(deck, ui, profile);
    DocumentCommands& doc = docs.commands;
    const QString deckPath = dir.filePath(QStringLiteral("deck.qrx"));
    if (!doc.WriteDeckFile(deckPath))
        return 1;
    QFile f(deckPath);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    f.close();

    const double rawRead = medianMs(
        9, [] {},
        [&] {
            QFile in(deckPath);
            in.open(QIODevice::ReadOnly);
            if (in.readAll().size() != bytes.size())
                std::abort();
        });
    Deck loaded;
    DocumentOf loader(loaded, ui, profile);
    const double open = medianMs(
        9, [&] { loaded.RemoveAllCards(); },
        [&] {
            if (!loader.commands.LoadDeckFile(deckPath))
                std::abort();
        });
    print("open_100k_vs_raw_read", open / rawRead, "x");

    const QString rawPath = dir.filePath(QStringLiteral("raw.bin"));
    const QString savePath = dir.filePath(QStringLiteral("saved.qrx"));
    const double rawWriteMs = medianMs(
        9, [] {}, [&] { rawWrite(rawPath, bytes, false); });
    const double rawSyncMs = medianMs(
        9, [] {}, [&] { rawWrite(rawPath, bytes, true); });
    const double save = medianMs(
        9, [] {},
        [&] {
            if (!doc.WriteDeckFile(savePath))
                std::abort();
        });
    print("save_100k_vs_raw_write", save / rawSyncMs, "x");
    print("save_100k_vs_raw_write_nosync", save / rawWriteMs, "x");

    Deck shuffled;
    const double sort = medianMs(
        5,
        [&] {
            shuffled.RemoveAllCards();
            shuffled.appendCards(realisticCards(Cards, 2));
        },
        [&] { shuffled.SortByIndex(); });
    print("sort_100k_shuffled", sort, "ms");

    constexpr int Calls = 1000000;
    const double rotate = medianMs(
        5, [] {},
        [&] {
            for (int i = 0; i < Calls; ++i)
                deck.BringCardToFront(static_cast<int>((i * 7919LL) % Cards));
        });
    print("bring_to_front_100k", rotate * 1000.0 / Calls, "us");

    const CharacterSet western;
    DeckCommands commands(deck, ui, ui, western);
    const double walk = medianMs(
        5, [&] { commands.startFind(); }, [&] { commands.FindNext(QByteArray("zebra crossing")); });
    print("find_walk_100k", walk, "ms");

    // The recovery copy while the user types: what the user interface waits for (the deck
    // copied and handed to the worker); the file is written there. Target: 16 ms.
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    deck.setBody(0, "typed");
    RecoveryCopy recovery(deck, docs.document, western, profile, docs.worker);
    const double pause = medianMs(
        5,
        [&] {
            // The copy before has been written, and the user has typed since.
            QCoreApplication::processEvents();
            while (docs.worker.busy(2))
                QThread::msleep(5);
            QCoreApplication::processEvents();
            deck.setBody(0, deck.card(0).bodyText().size() % 2 ? "typed" : "typed!");
        },
        [&] { recovery.writeCopy(); });
    while (docs.worker.busy(2))
        QThread::msleep(5);
    print("recovery_copy_pause_100k", pause, "ms");
    deck.markClean();

    // The same figures for a Unicode deck of mixed scripts: read and checked as UTF-8, sorted by
    // the locale's collation (keys included); and its save.
    Deck unicodeDeck;
    DocumentOf unicodeDocs(unicodeDeck, ui, profile, CharacterSet::Unicode);
    unicodeDeck.appendCards(realisticUnicodeCards(Cards, 11));
    unicodeDeck.SortByIndex();
    unicodeDeck.BringCardToFront(Cards / 3);
    const QString unicodePath = dir.filePath(QStringLiteral("unicode.qrx"));
    if (!unicodeDocs.commands.WriteDeckFile(unicodePath))
        return 1;
    QFile u(unicodePath);
    u.open(QIODevice::ReadOnly);
    const QByteArray unicodeBytes = u.readAll();
    u.close();
    const double rawReadUnicode = medianMs(
        9, [] {},
        [&] {
            QFile in(unicodePath);
            in.open(QIODevice::ReadOnly);
            if (in.readAll().size() != unicodeBytes.size())
                std::abort();
        });
    Deck unicodeLoaded;
    DocumentOf unicodeLoader(unicodeLoaded, ui, profile, CharacterSet::Unicode);
    const double openUnicode = medianMs(
        9, [&] { unicodeLoaded.RemoveAllCards(); },
        [&] {
            if (!unicodeLoader.commands.LoadDeckFile(unicodePath))
                std::abort();
        });
    print("open_100k_unicode_vs_raw_read", openUnicode / rawReadUnicode, "x");
    const double rawSyncUnicode = medianMs(
        9, [] {}, [&] { rawWrite(rawPath, unicodeBytes, true); });
    const double saveUnicode = medianMs(
        9, [] {},
        [&] {
            if (!unicodeDocs.commands.WriteDeckFile(savePath))
                std::abort();
        });
    print("save_100k_unicode_vs_raw_write", saveUnicode / rawSyncUnicode, "x");
    Deck unicodeShuffled;
    unicodeShuffled.setIndexOrder(CharacterSet::unicode().indexOrder());
    const double sortUnicode = medianMs(
        5,
        [&] {
            unicodeShuffled.RemoveAllCards();
            unicodeShuffled.appendCards(realisticUnicodeCards(Cards, 12));
        },
        [&] { unicodeShuffled.SortByIndex(); });
    print("sort_100k_unicode", sortUnicode, "ms");

    // Two sides' edits of one saved deck: 100 changes each, 10 of them on the same cards.
    const CardBlock mergeBase = realisticCards(Cards, 5);
    const auto side = [&](int first, const char* mark) {
        CardBlock out;
        int k = 0;
        for (const Card& card : mergeBase) {
            const bool shared = k % 1000 == 0 && k < 10000;
            const bool own = k % 1000 == first && k < 90000 + first;
            std::string body(card.bodyText());
            if (shared || own)
                body = (mark + body).substr(0, Card::MaxBodyBytes);
            out.append(card.indexText(), body, card.isTagged() ? 1 : 0);
            ++k;
        }
        return out;
    };
    const CardBlock mine = side(1, "mine "), theirs = side(2, "theirs ");
    std::size_t mergedCards = 0;
    const double merge = medianMs(
        5, [] {},
        [&] {
            const DeckMerge::Result result =
                DeckMerge::merge({mergeBase.cards(), mine.cards(), theirs.cards(), true, {}});
            mergedCards = result.cards.size();
        });
    print("merge_100k", merge, "ms");
    std::fprintf(stderr, "note: merge: %zu cards after the merge (10 kept in both versions)\n",
                 mergedCards);
    std::fprintf(stderr,
                 "note: unicode: a %lld-byte deck file, raw read %.1f ms, open %.1f ms; save "
                 "%.1f ms, raw write with fdatasync %.1f ms\n",
                 static_cast<long long>(unicodeBytes.size()), rawReadUnicode, openUnicode,
                 saveUnicode, rawSyncUnicode);

    std::fprintf(stderr,
                 "note: open: median of 9 loads of a %lld-byte deck file (read, parse, sort), "
                 "raw read %.1f ms, open %.1f ms\n"
                 "note: save: a new file beside the old, fdatasync, rename, %.1f ms; one raw "
                 "write of the same bytes with fdatasync %.1f ms, without %.1f ms\n",
                 static_cast<long long>(bytes.size()), rawRead, open, save, rawSyncMs, rawWriteMs);
    return 0;
}
