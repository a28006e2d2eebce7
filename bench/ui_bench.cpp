// Figures of the window on the offscreen platform: rotating and repainting a large deck,
// and opening the card menu on it.
#include "BenchSupport.h"
#include "ui/CardMenu.h"
#include "ui/DeckFrame.h"
#include "ui/IndexList.h"
#include "ui/TagDialog.h"
#include "ui/TagListBox.h"
#include "ui/WindowPort.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>

using namespace bench;

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("quorix.conf")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Settings/MainWindowPos"), QStringLiteral("0:1:0:0:900:700"));

    WindowPort port;
    DeckSession session(settings, port);
    session.setCharacterSet(1252); // a deck of a code page, as Quorix 1.0 kept them
    DeckFrame frame(session, port);
    frame.deck().appendCards(realisticCards(100000, 3));
    frame.deck().SortByIndex();
    frame.show();
    QApplication::processEvents();

    constexpr int Rotations = 200;
    const double rotate = medianMs(
        5, [] {},
        [&] {
            for (int i = 0; i < Rotations; ++i) {
                frame.deckCommands().Next();
                frame.repaint(); // paints the window and its children at once
            }
        });
    print("rotate_repaint_100k", rotate / Rotations, "ms");

    CardMenu* menu = nullptr;
    const double openMenu = medianMs(
        5,
        [&] {
            if (menu)
                menu->close();
            QApplication::processEvents();
        },
        [&] {
            menu = frame.showCardMenu(QPoint(100, 100));
            menu->repaint();
            menu->list()->viewport()->repaint();
        });
    print("card_menu_100k", openMenu, "ms");
    menu->close();

    std::unique_ptr<TagDialog> tags;
    const double openTags = medianMs(
        5, [&] { tags.reset(); },
        [&] {
            tags = std::make_unique<TagDialog>(&frame, frame.deck(), session.characterSet());
            tags->show();
            tags->list()->doItemsLayout();
            tags->repaint();
        });
    print("tag_dialog_100k", openTags, "ms");
    tags.reset();

    // Switching to the list view of 100,000 cards, painted; and one keystroke of its filter
    // (a word found in a few bodies), painted. Targets: 50 ms and 30 ms.
    IndexList* list = frame.indexList();
    const double showList = medianMs(
        5,
        [&] {
            frame.showView(false);
            QApplication::processEvents();
        },
        [&] {
            frame.showView(true);
            list->repaint();
            list->list()->viewport()->repaint();
        });
    print("list_view_100k", showList, "ms");
    const double filter = medianMs(
        9,
        [&] {
            list->filterBox()->setText(QStringLiteral("pl"));
            QApplication::processEvents();
        },
        [&] {
            // The next letter of "plumber": a narrower filter, as typing makes it.
            list->filterBox()->setText(QStringLiteral("plu"));
            list->list()->viewport()->repaint();
        });
    print("list_filter_100k", filter, "ms");
    const double filterWide = medianMs(
        9,
        [&] {
            list->filterBox()->clear();
            QApplication::processEvents();
        },
        [&] {
            // The first letter, over every card.
            list->filterBox()->setText(QStringLiteral("q"));
            list->list()->viewport()->repaint();
        });
    print("list_filter_first_key_100k", filterWide, "ms");
    list->filterBox()->clear();
    frame.showView(false);

    // The same rotation on a deck of ten cards, for comparison.
    frame.deck().RemoveAllCards();
    frame.deck().appendCards(realisticCards(10, 4));
    const double rotateSmall = medianMs(
        5, [] {},
        [&] {
            for (int i = 0; i < Rotations; ++i) {
                frame.deckCommands().Next();
                frame.repaint();
            }
        });
    print("rotate_repaint_10", rotateSmall / Rotations, "ms");
    frame.deck().markClean();

    // The list filter of a Unicode deck of mixed scripts: one more letter of a Cyrillic word
    // found in a tenth of the indexes, folded and compared as Unicode. Target: 10 ms.
    QSettings unicodeSettings(dir.filePath(QStringLiteral("unicode.conf")), QSettings::IniFormat);
    DeckSession unicodeSession(unicodeSettings, port);
    DeckFrame unicodeFrame(unicodeSession, port);
    unicodeFrame.deck().appendCards(realisticUnicodeCards(100000, 13));
    unicodeFrame.deck().SortByIndex();
    unicodeFrame.show();
    unicodeFrame.showView(true);
    QApplication::processEvents();
    IndexList* unicodeList = unicodeFrame.indexList();
    const double unicodeFilter = medianMs(
        9,
        [&] {
            unicodeList->filterBox()->setText(QStringLiteral("ТЕЛ"));
            QApplication::processEvents();
        },
        [&] {
            unicodeList->filterBox()->setText(QStringLiteral("ТЕЛЕ"));
            unicodeList->list()->viewport()->repaint();
        });
    print("list_filter_100k_unicode", unicodeFilter, "ms");
    unicodeFrame.deck().markClean();
    return 0;
}
