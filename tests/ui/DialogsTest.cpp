#include "ui/Dialogs.h"
#include "deck/CharacterSet.h"
#include "support/FakeUi.h"
#include "ui/IndexDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/TypeText.h"

TEST(QtDialogs, MessageBoxesCarryCaptionIconAndButtons) {
    auto box =
        Dialogs::makeMessageBox(nullptr, QStringLiteral("Save Changes ?"), QStringLiteral("Quorix"),
                                MessageIcon::Question, MessageButtons::YesNoCancel);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Quorix"));
    EXPECT_EQ(box->text(), QStringLiteral("Save Changes ?"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    auto stop = Dialogs::makeMessageBox(nullptr, QStringLiteral("x"), QStringLiteral("c"),
                                        MessageIcon::Stop, MessageButtons::Ok);
    EXPECT_EQ(stop->icon(), QMessageBox::Critical);
    EXPECT_EQ(stop->standardButtons(), QMessageBox::Ok);
    auto warn = Dialogs::makeMessageBox(nullptr, QStringLiteral("x"), QStringLiteral("c"),
                                        MessageIcon::Exclamation, MessageButtons::YesNo);
    EXPECT_EQ(warn->icon(), QMessageBox::Warning);
}

TEST(QtDialogs, FileDialogsTakeTheProgramsFilterAndFolder) {
    EXPECT_EQ(Dialogs::nameFilters(QStringLiteral("Quorix Files (*.qrx) |*.qrx||")),
              QStringList{QStringLiteral("Quorix Files (*.qrx)")});
    EXPECT_EQ(Dialogs::nameFilters(QStringLiteral("Text |*.txt;*.text|All|*||")),
              (QStringList{QStringLiteral("Text (*.txt *.text)"), QStringLiteral("All (*)")}));

    FileDialogRequest save;
    save.kind = FileDialogRequest::Kind::Save;
    save.filter = QStringLiteral("Quorix Files (*.qrx) |*.qrx||");
    save.defaultSuffix = QStringLiteral("qrx");
    save.initialFolder = QDir::tempPath();
    save.overwritePrompt = true;
    auto dialog = Dialogs::makeFileDialog(nullptr, save);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("qrx"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Quorix Files (*.qrx)")});
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());

    FileDialogRequest open = save;
    open.kind = FileDialogRequest::Kind::Open;
    open.overwritePrompt = false;
    auto opener = Dialogs::makeFileDialog(nullptr, open);
    EXPECT_EQ(opener->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(opener->fileMode(), QFileDialog::ExistingFile);
}

TEST(IndexDialogWidget, CaptionsLimitAndBytes) {
    const CharacterSet western;
    IndexDialog add(nullptr, QByteArray(), IndexDialogMode::AddCard, western);
    EXPECT_EQ(add.windowTitle(), QStringLiteral("Add Card"));
    IndexDialog go(nullptr, QByteArray(), IndexDialogMode::GotoIndex, western);
    EXPECT_EQ(go.windowTitle(), QStringLiteral("Goto Index"));

    IndexDialog edit(nullptr, QByteArray("Caf\xe9"), IndexDialogMode::EditIndex, western);
    EXPECT_EQ(edit.windowTitle(), QStringLiteral("Edit Index"));
    EXPECT_EQ(edit.edit()->text(), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(edit.text(), QByteArray("Caf\xe9"));

    // The 42nd keystroke is refused, and so is a character the code page cannot hold.
    edit.edit()->clear();
    QTest::keyClicks(edit.edit(), QString(41, u'x'));
    QTest::keyClicks(edit.edit(), QStringLiteral("y"));
    EXPECT_EQ(edit.text(), QByteArray(41, 'x'));
    edit.edit()->clear();
    typeText(edit.edit(), QStringLiteral("a\u4e2db\u20ac"));
    EXPECT_EQ(edit.text(), QByteArray("ab\x80"));

    // Enter is OK: the OK button is the default.
    edit.show();
    QTest::keyClick(edit.edit(), Qt::Key_Return);
    EXPECT_EQ(edit.result(), QDialog::Accepted);
}

TEST(QtDialogs, AfterABoxTheKeyboardGoesBackWhereItWas) {
    // Without a window manager nobody else gives it back: the box's owner is the main
    // window, but the keyboard was in another window (the Find dialog, say).
    QWidget owner;
    owner.show();
    QWidget other;
    auto* edit = new QLineEdit(&other);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    edit->setFocus();
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
    Dialogs().messageBox(&owner, QStringLiteral("End of Selection"), QStringLiteral("Quorix Info"),
                         MessageIcon::Exclamation, MessageButtons::Ok);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    EXPECT_TRUE(edit->hasFocus());
}

// Qt's own file dialog, driven as a user would: a pattern in the name field never becomes a
// file's name, and the second file type is told back.
TEST(QtDialogs, TheRealSaveDialogNeverTakesAPatternForAName) {
    QTemporaryDir dir;
    FileDialogRequest save;
    save.kind = FileDialogRequest::Kind::Save;
    save.title = QStringLiteral("Export Text File");
    save.filter = QStringLiteral(
        "Text Files, Cyrillic (Windows-1251) (*.txt) |*.txt|Text Files, UTF-8 (*.txt) |*.txt||");
    save.defaultSuffix = QStringLiteral("txt");
    save.initialFolder = dir.path();
    save.initialName = QStringLiteral("deck.txt");
    int chosen = -1;
    save.chosenFilter = &chosen;
    QStringList seenNames;
    const auto answer = [&seenNames](const QString& name, bool utf8) {
        QTimer::singleShot(50, [&seenNames, name, utf8] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Export Text File"));
            auto* field = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(field, nullptr);
            seenNames << field->text();
            if (utf8)
                d->selectNameFilter(d->nameFilters().at(1));
            field->setText(name);
            QTest::keyClick(field, Qt::Key_Return);
        });
    };
    answer(QStringLiteral("*.txt"), false);
    QTimer::singleShot(400, [&] { answer(QStringLiteral("notes"), true); });
    const auto path = Dialogs().fileDialog(nullptr, save);
    ASSERT_TRUE(path);
    EXPECT_EQ(QFileInfo(*path).fileName(), QStringLiteral("notes.txt"));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(seenNames.value(0), QStringLiteral("deck.txt")); // the deck's name, not "*.txt"
}
