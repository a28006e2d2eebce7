#pragma once

#include "ScriptedDialogs.h"
#include "support/DeckHelpers.h"
#include "ui/CardEdit.h"
#include "ui/CardStack.h"
#include "ui/CardWindow.h"
#include "ui/DeckFrame.h"
#include "ui/DeckStatusBar.h"
#include "ui/WindowPort.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A real main window with its settings in a temporary folder and its dialogs scripted. Its
// deck starts as one of Windows-1252, as the decks of the tests of code-page behaviour are;
// a test of Unicode decks makes it one.
class FrameFixture : public testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("quorix.conf")), QSettings::IniFormat};
    FakeUi script;
    ScriptedDialogs dialogs{script};
    WindowPort port;
    std::unique_ptr<DeckSession> session;
    std::unique_ptr<DeckFrame> frame;

    void SetUp() override { makeFrame(); }
    void TearDown() override {
        if (frame)
            frame->deck().markClean();
        frame.reset();
        session.reset();
    }

    void makeFrame() {
        frame.reset();
        session = std::make_unique<DeckSession>(settings, port);
        frame = std::make_unique<DeckFrame>(*session, port);
        frame->setDialogs(&dialogs);
        session->setCharacterSet(1252);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Fills the deck as a loaded file would and shows it.
    void showCards(std::initializer_list<const char*> indexes) {
        addCards(frame->deck(), indexes);
        frame->deck().markClean();
    }

    CardWindow* front() const { return frame->cardStack()->front(); }
    CardEdit* editor() const { return front() ? front()->editor() : nullptr; }
    Indexes indexes() const { return indexesOf(frame->deck()); }
};
