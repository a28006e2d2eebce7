#include "files/FileNames.h"
#include "support/FrameFixture.h"
#include "ui/CommandLine.h"
#include "ui/CommandTable.h"
#include "ui/DeckApp.h"
#include "ui/HelpWindow.h"
#include "ui/WindowPos.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <climits>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace {

// The menu tree as text: "File/&New\tF2" (the item's text, and its key as the menu shows
// it), "File/-" for separators, submenus nested.
QStringList menuTree(const QMenu* menu, const QString& prefix) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << prefix + u'-';
        else if (a->menu())
            out << prefix + a->text() + u'>' << menuTree(a->menu(), prefix + a->text() + u'/');
        else if (a->shortcut().isEmpty())
            out << prefix + a->text();
        else
            out << prefix + a->text() + u'\t' + a->shortcut().toString();
    }
    return out;
}

} // namespace

class Frame : public FrameFixture {};

TEST_F(Frame, MenusFollowTheCommandTable) {
    QStringList tree;
    for (QAction* top : frame->menuBar()->actions())
        tree << top->text() + u'>' << menuTree(top->menu(), top->text() + u'/');
    const char* const expected[] = {"&File>",
                                    "&File/&New\tF2",
                                    "&File/&Open...",
                                    "&File/&Recent Files>",
                                    "&File/&Save\tF3",
                                    "&File/Save &As...",
                                    "&File/&Merge...",
                                    "&File/Merge &Changes From...",
                                    "&File/-",
                                    "&File/&Import>",
                                    "&File/&Import/&Cardfile...",
                                    "&File/&Export>",
                                    "&File/&Export/&Text file...",
                                    "&File/&Export/&Comma Delimited Text...",
                                    "&File/-",
                                    "&File/&Print>",
                                    "&File/&Print/&Card...",
                                    "&File/&Print/&List...",
                                    "&File/&Print/&Tag...",
                                    "&File/-",
                                    "&File/Sen&d>",
                                    "&File/Sen&d/&Card...",
                                    "&File/Sen&d/&List...",
                                    "&File/Sen&d/&Tag...",
                                    "&File/-",
                                    "&File/E&xit",
                                    "&Edit>",
                                    "&Edit/&Undo\tCtrl+Z",
                                    "&Edit/&Restore Card",
                                    "&Edit/-",
                                    "&Edit/Cu&t\tCtrl+X",
                                    "&Edit/&Copy\tCtrl+C",
                                    "&Edit/&Paste\tCtrl+V",
                                    "&Edit/-",
                                    "&Edit/I&ndex...",
                                    "&Edit/-",
                                    "&Edit/&Go To...\tF5",
                                    "&Edit/&Find...\tF4",
                                    "&View>",
                                    "&View/&Cards",
                                    "&View/&List\tF6",
                                    "&View/-",
                                    "&View/Character &Set>",
                                    "&View/Character &Set/&Unicode",
                                    "&View/Character &Set/&Arabic (Windows-1256)",
                                    "&View/Character &Set/&Baltic (Windows-1257)",
                                    "&View/Character &Set/&Central European (Windows-1250)",
                                    "&View/Character &Set/Chinese &Simplified (GBK, 936)",
                                    "&View/Character &Set/Chinese T&raditional (Big5, 950)",
                                    "&View/Character &Set/C&yrillic (Windows-1251)",
                                    "&View/Character &Set/&Greek (Windows-1253)",
                                    "&View/Character &Set/&Hebrew (Windows-1255)",
                                    "&View/Character &Set/&Japanese (Shift-JIS, 932)",
                                    "&View/Character &Set/&Korean (Unified Hangul, 949)",
                                    "&View/Character &Set/Tha&i (Windows-874)",
                                    "&View/Character &Set/&Turkish (Windows-1254)",
                                    "&View/Character &Set/&Vietnamese (Windows-1258)",
                                    "&View/Character &Set/&Western (Windows-1252)",
                                    "&Card>",
                                    "&Card/&Add...\tF7",
                                    "&Card/Du&plicate",
                                    "&Card/-",
                                    "&Card/&Delete...",
                                    "&Card/&Undelete",
                                    "&Card/-",
                                    "&Card/&Tag...",
                                    "&Window>",
                                    "&Window/&Restore",
                                    "&Help>",
                                    "&Help/&Contents...\tF1",
                                    "&Help/-",
                                    "&Help/&About"};
    QStringList expectedTree;
    for (const char* line : expected)
        expectedTree << QString::fromUtf8(line);
    EXPECT_EQ(tree, expectedTree);
    // Every item has an Alt letter of its own within its menu.
    QList<const QMenu*> menus;
    for (QAction* top : frame->menuBar()->actions())
        menus << top->menu();
    for (qsizetype m = 0; m < menus.size(); ++m) {
        QSet<QChar> letters;
        for (QAction* a : menus[m]->actions()) {
            if (a->isSeparator())
                continue;
            if (a->menu())
                menus << a->menu();
            const qsizetype amp = a->text().indexOf(u'&');
            ASSERT_GE(amp, 0) << a->text().toStdString();
            EXPECT_FALSE(letters.contains(a->text()[amp + 1].toLower())) << a->text().toStdString();
            letters.insert(a->text()[amp + 1].toLower());
        }
    }

    EXPECT_EQ(frame->action(Cmd::ExportText)->statusTip(),
              QStringLiteral("Exports a ASCII text file"));
    EXPECT_EQ(frame->action(Cmd::Find)->statusTip(),
              QStringLiteral("Find all occurences of specified text"));
    EXPECT_EQ(frame->action(Cmd::Duplicate)->statusTip(),
              QStringLiteral("Make a copy of the front card"));
    EXPECT_EQ(frame->action(Cmd::RestoreCard)->statusTip(),
              QStringLiteral("Undo every change to the front card"));
    EXPECT_EQ(frame->action(Cmd::Undelete)->statusTip(),
              QStringLiteral("Bring back the last deleted card"));
    EXPECT_EQ(frame->action(Cmd::ViewList)->statusTip(),
              QStringLiteral("Show a list of all indexes"));
    EXPECT_EQ(frame->action(Cmd::ViewCards)->statusTip(), QStringLiteral("Show the cards"));
    EXPECT_TRUE(frame->action(Cmd::ViewCards)->isCheckable());
    // 34 menu items, Unicode and 14 code pages, and Next and Previous of the keyboard alone.
    EXPECT_EQ(commandTable().size(), 51u);
}

TEST_F(Frame, EnableRulesWithAndWithoutCards) {
    QApplication::clipboard()->setText(QStringLiteral("on the clipboard"));
    const int always[] = {Cmd::New,  Cmd::Open, Cmd::ImportCardfile, Cmd::MergeChangesFrom,
                          Cmd::Exit, Cmd::Add,  Cmd::Restore,        Cmd::HelpContents,
                          Cmd::About};
    const int cards[] = {
        Cmd::Save,      Cmd::SaveAs,    Cmd::Merge,    Cmd::ExportText, Cmd::ExportCommaDelimited,
        Cmd::PrintCard, Cmd::PrintList, Cmd::PrintTag, Cmd::SendList,   Cmd::SendTag,
        Cmd::EditIndex, Cmd::GoTo,      Cmd::Find,     Cmd::Delete,     Cmd::Tag,
        Cmd::Paste};
    frame->updateCommandStates();
    for (int id : always)
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    for (int id : cards)
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    for (int id : {Cmd::Undo, Cmd::Cut, Cmd::Copy, Cmd::SendCard})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;

    showCards({"a", "b"});
    frame->updateCommandStates();
    for (int id : cards)
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    // Nothing typed and nothing selected yet.
    EXPECT_FALSE(frame->action(Cmd::Undo)->isEnabled());
    EXPECT_FALSE(frame->action(Cmd::Cut)->isEnabled());
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("x"));
    editor()->selectAll();
    frame->updateCommandStates();
    EXPECT_TRUE(frame->action(Cmd::Undo)->isEnabled());
    EXPECT_TRUE(frame->action(Cmd::Cut)->isEnabled());
    EXPECT_TRUE(frame->action(Cmd::Copy)->isEnabled());

    QApplication::clipboard()->clear();
    frame->updateCommandStates();
    EXPECT_FALSE(frame->action(Cmd::Paste)->isEnabled());
}

TEST_F(Frame, ADisabledAcceleratorDoesNothing) {
    // F3 on an empty deck: Save is grayed, so no dialog may appear (the script has none).
    QTest::keyClick(frame.get(), Qt::Key_F3);
    EXPECT_TRUE(script.fileDialogs.empty());
    // With cards it asks where to save.
    showCards({"a"});
    script.cancelDialog();
    QTest::keyClick(editor(), Qt::Key_F3);
    EXPECT_EQ(script.fileDialogs.size(), 1u);
    // F5 runs Go To from the keyboard too.
    script.cancelIndex();
    QTest::keyClick(editor(), Qt::Key_F5);
    EXPECT_EQ(script.indexDialogs.size(), 1u);
}

TEST_F(Frame, OpenShowsTheCountAtOnce) {
    showCards({"a", "b", "c"});
    DocumentCommands& doc = frame->session().documentCommands();
    ASSERT_TRUE(doc.WriteDeckFile(path("three.qrx")));
    frame->runCommand(Cmd::New);
    script.choose(path("three.qrx"));
    frame->runCommand(Cmd::Open);
    EXPECT_EQ(frame->deckStatusBar()->countText(), QStringLiteral("3 Cards"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorix - ") + path("three.qrx"));
    frame->runCommand(Cmd::New);
    QTRY_COMPARE(frame->deckStatusBar()->countText(), QStringLiteral("0 Cards"));
}

TEST_F(Frame, StatusMessagesReturnToReady) {
    DeckStatusBar* bar = frame->deckStatusBar();
    EXPECT_EQ(bar->messageText(), QStringLiteral("Ready"));
    EXPECT_EQ(bar->messageTimer().interval(), 5000);
    EXPECT_TRUE(bar->messageTimer().isSingleShot());
    frame->ShowStatusMessage(QStringLiteral("Bring next card to front"));
    EXPECT_EQ(bar->messageText(), QStringLiteral("Bring next card to front"));
    EXPECT_TRUE(bar->messageTimer().isActive());
    bar->messageTimer().setInterval(20);
    frame->ShowStatusMessage(QStringLiteral("again"));
    QTRY_COMPARE(bar->messageText(), QStringLiteral("Ready"));

    // Menu prompts land in the first pane.
    frame->action(Cmd::Add)->showStatusText(frame.get());
    EXPECT_EQ(bar->messageText(), QStringLiteral("Add a new card"));
}

// The first window, and Window > Restore, show the cascade: the front card and three behind
// it whole, whatever the font makes of the menus and the status bar.
TEST_F(Frame, RestoreShowsTheFrontCardAndThreeBehind) {
    showCards({"a", "b", "c", "d", "e"});
    const auto showsTheCascade = [this] {
        const CardStack* stack = frame->cardStack();
        return stack->rect().contains(stack->cardRect(3)) && frame->width() >= 412 &&
               frame->height() >= 268;
    };
    EXPECT_TRUE(showsTheCascade());
    frame->move(300, 250);
    frame->resize(700, 500);
    frame->runCommand(Cmd::Restore);
    QApplication::processEvents();
    EXPECT_EQ(frame->pos(), QPoint(100, 100));
    EXPECT_TRUE(showsTheCascade());
}

TEST(WindowPosText, ReadsSixIntegersTheWayCDoes) {
    const auto p = WindowPos::parse(QStringLiteral("10:1:5:5:300:200"));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->flags, 10);
    EXPECT_EQ(p->left, 5);
    EXPECT_EQ(p->bottom, 200);
    const auto hex = WindowPos::parse(QStringLiteral("0:1:0x10:010:-5: +300 and more"));
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->left, 16);
    EXPECT_EQ(hex->top, 8);
    EXPECT_EQ(hex->right, -5);
    EXPECT_EQ(hex->bottom, 300);
    for (const char* bad :
         {"", "1:2:3:4:5", "a:1:2:3:4:5", "1:1:2:3:4:x", "1;1;2;3;4;5", "1:1:2:3:4: "})
        EXPECT_FALSE(WindowPos::parse(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(WindowPos::format({0, 1, 100, 100, 512, 368}), QStringLiteral("0:1:100:100:512:368"));
}

TEST(WindowPosFit, StoredRectanglesAreKeptOnlyWhereTheyCanBeSeen) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QRect start(100, 100, 412, 268);
    const auto fit = [&](int l, int t, int r, int b) {
        return WindowPos::fit({0, 1, l, t, r, b}, screens, start);
    };
    EXPECT_EQ(fit(5, 5, 300, 200), QRect(5, 5, 295, 195));             // fits: kept
    EXPECT_EQ(fit(2000, 10, 2400, 400), QRect(2000, 10, 400, 390));    // on the second screen
    EXPECT_EQ(fit(0, 0, 30000, 30000), QRect(0, 0, 1920, 1080));       // no larger than a screen
    EXPECT_EQ(fit(1800, 900, 2200, 1200), QRect(1920, 724, 400, 300)); // onto the one with most
    EXPECT_EQ(fit(-5000, -5000, -4000, -4000), start);                 // off every screen
    EXPECT_EQ(fit(10, 10, 5, 5), start);                               // no area
    // Values at the ends of the range neither overflow nor hide the window.
    EXPECT_EQ(fit(INT_MIN, INT_MIN, INT_MAX, INT_MAX), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(fit(INT_MAX - 10, 0, INT_MAX, 100), start);
}

TEST_F(Frame, WindowPositionIsRestoredAndStoredOnlyInTheNormalState) {
    EXPECT_EQ(frame->pos(), QPoint(100, 100)); // nothing stored yet
    frame->move(40, 30);
    frame->resize(500, 400);
    ASSERT_TRUE(frame->close());
    EXPECT_EQ(settings.value(QStringLiteral("Settings/MainWindowPos")).toString(),
              QStringLiteral("0:1:40:30:540:430"));

    settings.setValue(QStringLiteral("Settings/MainWindowPos"), QStringLiteral("10:1:5:5:300:200"));
    makeFrame();
    EXPECT_EQ(frame->pos(), QPoint(5, 5));
    // Smaller than the front card needs: enlarged to hold it whole.
    EXPECT_EQ(frame->size(), QSize(295, 195).expandedTo(frame->minimumSizeHint()));
    frame->showMaximized();
    ASSERT_TRUE(frame->close());
    EXPECT_EQ(settings.value(QStringLiteral("Settings/MainWindowPos")).toString(),
              QStringLiteral("10:1:5:5:300:200"));

    settings.setValue(QStringLiteral("Settings/MainWindowPos"), QStringLiteral("1:2:3:4:5"));
    makeFrame();
    EXPECT_EQ(frame->pos(), QPoint(100, 100));
}

TEST_F(Frame, StartupLoad) {
    showCards({"b", "a"});
    ASSERT_TRUE(frame->session().documentCommands().WriteDeckFile(path("start.qrx")));
    makeFrame();
    frame->startupLoad(path("start.qrx"));
    EXPECT_EQ(indexes(), (Indexes{"a", "b"}));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorix - ") + path("start.qrx"));
    ASSERT_NE(editor(), nullptr);

    for (const char* name : {"missing.qrx", "bad.qrx"}) {
        QFile bad(path("bad.qrx"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("text");
        bad.close();
        makeFrame();
        script.answer(Answer::Ok);
        frame->startupLoad(path(name));
        EXPECT_TRUE(frame->deck().isEmpty());
        EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorix - Untitled"));
        EXPECT_EQ(front(), nullptr);
    }
    EXPECT_EQ(script.messages.at(0).text,
              QStringLiteral("File Error - \"%1\"").arg(path("missing.qrx")));
    EXPECT_EQ(script.messages.at(1).text, QStringLiteral("File Error - Incompable File"));
}

TEST_F(Frame, ClosingSequence) {
    showCards({"a"});
    EXPECT_TRUE(frame->close()); // unchanged: no prompt
    EXPECT_TRUE(frame->deck().isEmpty());

    makeFrame();
    showCards({"keep me"});
    makeUnsaved(frame->deck());
    script.answer(Answer::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(indexes(), (Indexes{"keep me"}));

    // Yes, then Save As cancelled: the window stays with the cards.
    script.answer(Answer::Yes).cancelDialog();
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(indexes(), (Indexes{"keep me"}));
    EXPECT_TRUE(frame->deck().isModified());

    script.answer(Answer::Yes).choose(path("closed.qrx"));
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(QFile::exists(path("closed.qrx")));

    makeFrame();
    showCards({"discard"});
    makeUnsaved(frame->deck());
    script.answer(Answer::No);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(script.messages.back().text, QStringLiteral("Save Changes ?"));
    EXPECT_EQ(script.messages.back().caption, QStringLiteral("Quorix"));
    EXPECT_EQ(script.messages.back().buttons, MessageButtons::YesNoCancel);
}

TEST_F(Frame, ExitRunsTheClosingSequence) {
    showCards({"a"});
    makeUnsaved(frame->deck());
    script.answer(Answer::Cancel);
    frame->runCommand(Cmd::Exit);
    EXPECT_TRUE(frame->isVisible());
}

TEST(ProgramCommandLine, OptionsAndFilesThatLookLikeOptions) {
    char prog[] = "quorix", style[] = "-style", fusion[] = "fusion", dashes[] = "--",
         dashed[] = "-style", latin1[] = "caf\xe9.qrx", version[] = "--version";
    char* plain[] = {prog, style, fusion, dashes, dashed, latin1};
    const CommandLine run = CommandLine::parse(6, plain);
    EXPECT_EQ(run.action, CommandLine::Action::Run);
    ASSERT_EQ(run.forQt.size(), 3u); // Qt still sees its own options
    EXPECT_STREQ(run.forQt[1], "-style");
    EXPECT_EQ(run.afterDashes,
              (QStringList{QStringLiteral("-style"), FileNames::decode("caf\xe9.qrx")}));
    char* asked[] = {prog, version};
    EXPECT_EQ(CommandLine::parse(2, asked).action, CommandLine::Action::Version);
    char* late[] = {prog, dashes, version}; // after "--" it is a file's name
    EXPECT_EQ(CommandLine::parse(3, late).action, CommandLine::Action::Run);
}

TEST(StartupPath, TheArgumentsJoinedByBlanks) {
    EXPECT_EQ(DeckApp::startupPath({QStringLiteral("quorix")}), QString());
    EXPECT_EQ(DeckApp::startupPath({QStringLiteral("quorix"), QStringLiteral("/home/a/My"),
                                    QStringLiteral("Decks/home.qrx")}),
              QStringLiteral("/home/a/My Decks/home.qrx"));
}

TEST_F(Frame, HelpWithoutItsDocumentSaysWhereItLooked) {
    // The test program has no help document beside it.
    ASSERT_TRUE(HelpWindow::locate().isEmpty()) << HelpWindow::locate().toStdString();
    script.answer(Answer::Ok);
    QTest::keyClick(frame.get(), Qt::Key_F1);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_TRUE(script.messages[0].text.startsWith(
        QStringLiteral("The help document quorix.html could not be found.")));
    EXPECT_TRUE(script.messages[0].text.contains(HelpWindow::searchPaths().first()));
}

TEST_F(Frame, RecentFilesAndDropsOpenDecks) {
    frame->updateCommandStates();
    EXPECT_FALSE(frame->recentFilesMenu()->isEnabled()); // nothing yet
    showCards({"a"});
    ASSERT_TRUE(frame->session().documentCommands().WriteDeckFile(path("R&D.qrx")));
    frame->deck().RemoveAllCards();

    // A file dropped on the window opens, after the save prompt.
    frame->deck().AppendCard("unsaved");
    makeUnsaved(frame->deck());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path("R&D.qrx"))});
    // Dropped on the body editor, which never takes a file's name as text: the window opens it.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    script.answer(Answer::No);
    QApplication::sendEvent(editor()->viewport(), &drop);
    EXPECT_EQ(frame->deck().card(0).bodyText(), "");
    ASSERT_TRUE(QTest::qWaitFor([this] { return indexes() == Indexes{"a"}; }));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorix - ") + path("R&D.qrx"));

    // The recent list shows it, its '&' kept as text.
    frame->updateCommandStates();
    QMenu* recent = frame->recentFilesMenu();
    EXPECT_TRUE(recent->isEnabled());
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 ") + path("R&&D.qrx"));

    // A file that is gone says so and leaves the list.
    QFile::remove(path("R&D.qrx"));
    script.answer(Answer::Ok);
    recent->actions()[0]->trigger();
    EXPECT_TRUE(script.messages.back().text.startsWith(QStringLiteral("File Error - ")));
    frame->updateCommandStates();
    EXPECT_FALSE(recent->isEnabled());
    EXPECT_EQ(indexes(), Indexes{"a"}); // the open deck stays
}
