#include "support/FrameFixture.h"
#include "ui/CardButton.h"
#include "ui/CardColors.h"
#include "ui/CommandTable.h"
#include "ui/TagDialog.h"
#include "ui/TagListBox.h"

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>

// At home on the desktop: the palette, the scale factor, tooltips, screen readers, keys.
class Desktop : public FrameFixture {
protected:
    static QPalette darkPalette() {
        QPalette p;
        for (auto role :
             {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
            p.setColor(role, QColor(0x2b, 0x2b, 0x2b));
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(role, QColor(0xe0, 0xe0, 0xe0));
        p.setColor(QPalette::Light, QColor(0x44, 0x44, 0x44));
        return p;
    }
    QColor pixel(const QImage& image, const QPoint& at) const {
        const qreal r = image.devicePixelRatio();
        return image.pixelColor(QPoint(qRound(at.x() * r), qRound(at.y() * r)));
    }
};

TEST_F(Desktop, TheCardsFollowThePaletteAndAlwaysRead) {
    showCards({"Front", "Behind"});
    // The default look stays as it was: white cards, black border and ink.
    QImage shot = frame->cardStack()->grab().toImage();
    const QPoint band = frame->cardStack()->cardRect(1).topLeft() + QPoint(300, 10);
    EXPECT_EQ(pixel(shot, band), QColor(Qt::white));
    EXPECT_EQ(pixel(shot, frame->cardStack()->cardRect(1).topLeft() + QPoint(300, 0)),
              QColor(Qt::black));

    // A dark palette, as a dark theme or a style sheet gives.
    frame->setPalette(darkPalette());
    QApplication::processEvents();
    shot = frame->cardStack()->grab().toImage();
    const QColor face = pixel(shot, band);
    EXPECT_EQ(face, QColor(0x2b, 0x2b, 0x2b));
    // Every ink reads on its face.
    const CardColors colors = CardColors::from(frame->palette());
    EXPECT_GE(Contrast::ratio(colors.ink, colors.face), 4.5);
    EXPECT_GE(Contrast::ratio(colors.headerInk, colors.headerFace), 4.5);
    EXPECT_GE(Contrast::ratio(colors.border, colors.face), 3.0);
    // Even a palette that pairs two colours that do not read.
    QPalette poor;
    poor.setColor(QPalette::Base, QColor(0x80, 0x80, 0x80));
    poor.setColor(QPalette::Text, QColor(0x90, 0x90, 0x90));
    poor.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    poor.setColor(QPalette::ButtonText, QColor(0x40, 0x40, 0x40));
    const CardColors fixed = CardColors::from(poor);
    EXPECT_GE(Contrast::ratio(fixed.ink, fixed.face), 4.5);
    EXPECT_GE(Contrast::ratio(fixed.headerInk, fixed.headerFace), 4.5);

    // The button pictures get a light rim on a dark face, so their dark strokes still show.
    const QImage picture = front()->button(Cmd::NextCard)->icon().pixmap(QSize(16, 18)).toImage();
    int light = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            light += c.alpha() > 200 && c.lightness() > 180;
        }
    }
    EXPECT_GT(light, 20);
}

// The real scale factor needs a process of its own: this test runs itself again under each.
TEST(HighDpi, TheFrontCardsBorderIsWholeAtEveryScale) {
    if (qEnvironmentVariableIsSet("QUORIX_SCALE_CHILD")) {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("quorix.conf")), QSettings::IniFormat);
        WindowPort port;
        DeckSession session(settings, port);
        session.deck().AppendCard("a");
        CardStack stack(session, nullptr);
        stack.resize(600, 400);
        stack.show();
        stack.RelabelCards();
        const QImage shot = stack.front()->grab().toImage();
        const int w = shot.width();
        const int h = shot.height();
        // The border may round to the last pixel or the one before; it must be whole.
        const QColor border = shot.pixelColor(w / 2, 0);
        for (int y = 2; y < h - 2; ++y)
            ASSERT_TRUE(shot.pixelColor(w - 1, y) == border || shot.pixelColor(w - 2, y) == border)
                << "right edge, y " << y;
        for (int x = 2; x < w - 2; ++x)
            ASSERT_TRUE(shot.pixelColor(x, h - 1) == border || shot.pixelColor(x, h - 2) == border)
                << "bottom edge, x " << x;
        return;
    }
    for (const char* scale : {"1.25", "1.5", "1.75", "2"}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORIX_SCALE_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=HighDpi.TheFrontCardsBorderIsWholeAtEveryScale")});
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitCode(), 0) << scale << child.readAllStandardOutput().toStdString();
    }
}

TEST_F(Desktop, EachButtonHasItsOwnTipAndTheIndexTipOnlyItsText) {
    showCards({"Short", "Other"});
    EXPECT_EQ(front()->button(Cmd::NextCard)->toolTip(),
              QStringLiteral("Bring next card to front (Ctrl+Page Down)"));
    EXPECT_EQ(front()->button(Cmd::PreviousCard)->toolTip(),
              QStringLiteral("Bring previous card to front (Ctrl+Page Up)"));
    EXPECT_EQ(front()->button(Cmd::PrintButton)->toolTip(),
              QStringLiteral("Print the front most card"));
    const auto tipAt = [this](QPoint at) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        QHelpEvent help(QEvent::ToolTip, at, front()->mapToGlobal(at));
        QApplication::sendEvent(front(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_FALSE(tipAt(QPoint(10, 10)).isEmpty()); // over the index
    EXPECT_TRUE(tipAt(QPoint(250, 10)).isEmpty()); // the empty header beyond it
    // The tip shows while the window is not active too.
    EXPECT_TRUE(frame->testAttribute(Qt::WA_AlwaysShowToolTips));
}

TEST_F(Desktop, ScreenReadersFindEveryCard) {
    showCards({"Apple", "Banana", "Cherry"});
    QAccessibleInterface* editorIface = QAccessible::queryAccessibleInterface(editor());
    ASSERT_NE(editorIface, nullptr);
    EXPECT_EQ(editorIface->text(QAccessible::Name), QStringLiteral("Apple"));

    QAccessibleInterface* cascade = QAccessible::queryAccessibleInterface(frame->cardStack());
    ASSERT_NE(cascade, nullptr);
    ASSERT_EQ(cascade->childCount(), 3);
    EXPECT_EQ(cascade->child(0)->object(), front());
    QAccessibleInterface* cherry = cascade->child(2);
    ASSERT_NE(cherry, nullptr);
    EXPECT_EQ(cherry->text(QAccessible::Name), QStringLiteral("Cherry"));
    EXPECT_EQ(cascade->indexOfChild(cherry), 2);
    EXPECT_EQ(cherry->parent(), cascade);
    ASSERT_NE(cherry->actionInterface(), nullptr);
    cherry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(indexes().front(), "Cherry");
    // Another card is another object to a reader.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(editor())->text(QAccessible::Name),
              QStringLiteral("Cherry"));
    EXPECT_EQ(cascade->child(1)->text(QAccessible::Name), QStringLiteral("Apple"));

    QAccessibleInterface* next =
        QAccessible::queryAccessibleInterface(front()->button(Cmd::NextCard));
    EXPECT_EQ(next->text(QAccessible::Name), QStringLiteral("Bring next card to front"));
    EXPECT_TRUE(next->text(QAccessible::Description).contains(QStringLiteral("Ctrl+Page Down")));
}

// A card that comes forward is a new text with the keyboard, named by its index: what screen
// readers announce (the focus event itself is Qt's, sent where a reader listens). Find names
// the card of its match though its dialog keeps the keyboard; View's choices are radio items.
TEST_F(Desktop, ScreenReadersHearWhichCardCameForward) {
    showCards({"Apple", "Banana", "Cherry"});
    putBody(frame->deck(), 2, "a red cherry");
    editor()->setFocus();
    const QAccessible::Id before =
        QAccessible::uniqueId(QAccessible::queryAccessibleInterface(editor()));
    QTest::keyClick(editor(), Qt::Key_PageDown, Qt::ControlModifier);
    QAccessibleInterface* now = QAccessible::queryAccessibleInterface(editor());
    EXPECT_NE(QAccessible::uniqueId(now), before);
    EXPECT_EQ(now->text(QAccessible::Name), QStringLiteral("Banana"));
    EXPECT_EQ(now->parent()->text(QAccessible::Name), QStringLiteral("Banana"));
    EXPECT_EQ(now->parent()->role(), QAccessible::ListItem);
    // Typing in the same card is no new card.
    const QAccessible::Id typing = QAccessible::uniqueId(now);
    QTest::keyClick(editor(), Qt::Key_X);
    EXPECT_EQ(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(editor())), typing);

    frame->showFind();
    frame->session().commands().FindNext("cherry");
    const auto announced = [this] {
        QStringList said;
        for (const QWidget* w : frame->findChildren<QWidget*>()) {
            if (w->metaObject()->className() == QByteArray("Announcer"))
                said << w->accessibleName();
        }
        return said;
    };
    EXPECT_TRUE(announced().contains(QStringLiteral("Found on the card \"Cherry\"")));
    frame->findDialog()->close();
    // View's choices are radio items that their menu knows as its own (a reader drops an item
    // whose menu does not know its place).
    QAccessibleInterface* cards =
        QAccessible::queryAccessibleInterface(frame->action(Cmd::ViewCards));
    EXPECT_EQ(cards->role(), QAccessible::RadioButton);
    QAccessibleInterface* menu = cards->parent();
    ASSERT_NE(menu, nullptr);
    ASSERT_GE(menu->indexOfChild(cards), 0);
    EXPECT_EQ(menu->child(menu->indexOfChild(cards)), cards);
    EXPECT_EQ(menu->parent()->indexOfChild(menu), 0); // under View in the menu bar
}

TEST_F(Desktop, TheTagListSpeaksOfCheckedItemsAndReturnIsOk) {
    showCards({"a", "b"});
    putTag(frame->deck(), 1, 1);
    TagDialog dialog(frame.get(), frame->deck(), frame->session().characterSet());
    dialog.show();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dialog.list());
    ASSERT_NE(list, nullptr);
    std::vector<std::pair<QString, bool>> items;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* item = list->child(i);
        // Check boxes: how a screen reader knows each can be checked.
        if (item->role() == QAccessible::CheckBox)
            items.emplace_back(item->text(QAccessible::Name), item->state().checked);
        EXPECT_TRUE(item->state().checkable);
    }
    EXPECT_EQ(items, (std::vector<std::pair<QString, bool>>{{QStringLiteral("a"), false},
                                                            {QStringLiteral("b"), true}}));
    // Return confirms, also from the list.
    dialog.list()->setFocus();
    dialog.list()->TagAll();
    QTest::keyClick(dialog.list(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(frame->deck().card(0).tag(), 1);
}

TEST_F(Desktop, CtrlPageDownAndUpAreNextAndPrevious) {
    showCards({"A", "B", "C"});
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == frame.get(); }));
    editor()->setFocus();
    QTest::keyClick(editor(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(indexes().front(), "B");
    QTest::keyClick(editor(), Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(editor(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(indexes().front(), "C");
    EXPECT_FALSE(frame->deck().isModified());
}

// However small the window is made, the front card stays whole inside it.
TEST_F(Desktop, TheWindowNeverHidesPartOfTheFrontCard) {
    showCards({"a", "b", "c"});
    for (const QSize asked : {QSize(320, 240), QSize(100, 100), QSize(401, 300), QSize(900, 700)}) {
        frame->resize(asked);
        QApplication::processEvents();
        EXPECT_GE(frame->width(), asked.width() < frame->minimumSizeHint().width()
                                      ? frame->minimumSizeHint().width()
                                      : asked.width());
        const QRect card(front()->mapTo(frame.get(), QPoint(0, 0)), front()->size());
        const QRect area(frame->centralWidget()->mapTo(frame.get(), QPoint(0, 0)),
                         frame->centralWidget()->size());
        EXPECT_TRUE(area.contains(card)) << asked.width() << 'x' << asked.height();
    }
}
