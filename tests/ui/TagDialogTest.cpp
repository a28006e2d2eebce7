#include "ui/TagDialog.h"
#include "support/FrameFixture.h"
#include "ui/CommandTable.h"
#include "ui/TagListBox.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

class Tagging : public testing::Test {
protected:
    Deck deck;
    const CharacterSet western;
    std::unique_ptr<TagDialog> dialog;

    void open() {
        dialog = std::make_unique<TagDialog>(nullptr, deck, western);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    TagListBox* list() const { return dialog->list(); }
    QPoint centreOf(int row) const {
        return list()->visualRect(list()->model()->index(row, 0)).center();
    }
    void doubleClick(int row) {
        QWidget* vp = list()->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, centreOf(row));
        QTest::mouseDClick(vp, Qt::LeftButton, {}, centreOf(row));
    }
    std::vector<int> tags() const {
        std::vector<int> out;
        for (int k = 0; k < deck.count(); ++k)
            out.push_back(deck.card(k).tag());
        return out;
    }
};

TEST_F(Tagging, ShowsEveryNonZeroTagAsTaggedAndStoresOneOrZero) {
    addCards(deck, {"front", "second", "third"});
    putTag(deck, 1, 7);
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tag Cards"));
    EXPECT_FALSE(list()->IsTagged(0));
    EXPECT_TRUE(list()->IsTagged(1));
    EXPECT_EQ(list()->model()->index(1, 0).data().toString(), QStringLiteral("second"));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(tags(), (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(deck.isModified());
}

TEST_F(Tagging, CancelAndEscapeChangeNothing) {
    addCards(deck, {"a", "b"});
    putTag(deck, 1, 5);
    open();
    dialog->menuAction(TagDialog::TagAllId)->trigger(); // All
    EXPECT_TRUE(list()->IsTagged(0));
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(tags(), (std::vector<int>{0, 5}));

    open();
    dialog->menuAction(TagDialog::TagNoneId)->trigger(); // None
    dialog->reject();
    EXPECT_EQ(tags(), (std::vector<int>{0, 5}));
}

TEST_F(Tagging, SelectedTagsOnlyTheSelectionAndNeverUntags) {
    addCards(deck, {"a", "b", "c", "d"});
    putTag(deck, 3, 1);
    open();
    dialog->menuAction(40069)->trigger(); // nothing selected: nothing changes
    EXPECT_FALSE(list()->IsTagged(0));
    EXPECT_TRUE(list()->IsTagged(3));

    QWidget* vp = list()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, centreOf(0));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, centreOf(2));
    dialog->menuAction(40069)->trigger();
    EXPECT_TRUE(list()->IsTagged(0));
    EXPECT_FALSE(list()->IsTagged(1));
    EXPECT_TRUE(list()->IsTagged(2));
    EXPECT_TRUE(list()->IsTagged(3));
    EXPECT_TRUE(list()->selectionModel()->selectedIndexes().isEmpty());
    dialog->accept();
    EXPECT_EQ(tags(), (std::vector<int>{1, 0, 1, 1}));
}

TEST_F(Tagging, ADoubleClickTogglesTheItem) {
    addCards(deck, {"a", "b"});
    putTag(deck, 1, 1);
    open();
    doubleClick(1);
    EXPECT_FALSE(list()->IsTagged(1));
    doubleClick(1);
    EXPECT_TRUE(list()->IsTagged(1));
    doubleClick(0);
    EXPECT_TRUE(list()->IsTagged(0));
    // From the keyboard: move the caret and press Space.
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_FALSE(list()->IsTagged(1));
}

TEST_F(Tagging, ColumnsOf150PixelsFilledTopToBottom) {
    for (int i = 0; i < 60; ++i)
        deck.AppendCard("card with a rather long index " + std::to_string(i));
    open();
    dialog->resize(400, 300);
    QApplication::processEvents();
    const QRect first = list()->visualRect(list()->model()->index(0, 0));
    const QRect second = list()->visualRect(list()->model()->index(1, 0));
    EXPECT_EQ(first.size(), QSize(150, 15));
    EXPECT_EQ(second.topLeft(), first.topLeft() + QPoint(0, 15));
    const int perColumn = list()->viewport()->height() / 15;
    const QRect nextColumn = list()->visualRect(list()->model()->index(perColumn, 0));
    EXPECT_EQ(nextColumn.topLeft(), first.topLeft() + QPoint(150, 0));
    EXPECT_TRUE(list()->horizontalScrollBar()->maximum() > 0);
    // The whole list, its scroll bar included, lies inside the dialog.
    EXPECT_LE(list()->geometry().bottom(), dialog->rect().bottom());
}

class TagCommand : public FrameFixture {};

TEST_F(TagCommand, OkMarksTheDeckModifiedOnlyWhenATagChanged) {
    showCards({"a", "b"});
    putTag(frame->deck(), 1, 7); // tagged already; writing 1 is no change
    const auto runWith = [this](int menuId) {
        QTimer::singleShot(0, [menuId] {
            auto* d = qobject_cast<TagDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            if (menuId)
                d->menuAction(menuId)->trigger();
            QTest::mouseClick(d->okButton(), Qt::LeftButton);
        });
        frame->runCommand(Cmd::Tag);
    };
    runWith(0);
    EXPECT_EQ(frame->deck().card(1).tag(), 1);
    EXPECT_FALSE(frame->deck().isModified());
    runWith(TagDialog::TagAllId); // Tag > All
    EXPECT_EQ(frame->deck().card(0).tag(), 1);
    EXPECT_TRUE(frame->deck().isModified());
}

TEST(TagListFocus, TheItemWithTheKeyboardIsFramed) {
    // A keyboard user must see where they are; the item is framed only while it has it.
    TagListBox list(nullptr);
    list.InsertTagItem("card", TagItem::Untagged, -1, 0);
    const auto drawn = [&](bool focus) {
        QImage image(150, 15, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&list);
        option.rect = image.rect();
        option.state =
            QStyle::State_Enabled | (focus ? QStyle::State_HasFocus : QStyle::State_None);
        list.itemDelegate()->paint(&painter, option, list.model()->index(0, 0));
        return image;
    };
    const QImage framed = drawn(true);
    const QImage plain = drawn(false);
    EXPECT_NE(framed, plain);
}
