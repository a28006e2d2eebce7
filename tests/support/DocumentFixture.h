#pragma once

#include "FakeUi.h"
#include "files/Profile.h"
#include "files/Worker.h"
#include "session/DeckCharacterSet.h"
#include "session/Document.h"
#include "session/DocumentCommands.h"
#include "support/DeckHelpers.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A deck's document and its commands, with a worker of their own.
// It starts as a deck of a code page (Windows-1252 unless told), as the decks of the tests of
// code-page behaviour are.
struct DocumentOf {
    Worker worker;
    Document document;
    DeckCharacterSet sets;
    DocumentCommands commands;
    DocumentOf(Deck& deck, UserInterface& ui, Profile& profile, int codePage = 1252)
        : document(deck, ui, worker)
        , sets(deck, document, profile, ui, codePage)
        , commands(document, deck, ui, profile, worker, sets) {
        QObject::connect(&document, &Document::fileTaken, &sets, &DeckCharacterSet::fileTaken);
    }
};

// A deck, its document and settings in a temporary folder, with a scripted user.
class DocumentFixture : public testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    Profile profile{settings};
    Deck deck;
    FakeUi ui;
    DocumentOf documents{deck, ui, profile};
    Document& document = documents.document;
    DocumentCommands& doc = documents.commands;

    DocumentFixture() { ui.watch(deck); }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    static QByteArray read(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // A deck file holding these indexes, written with the program's writer.
    void writeDeck(const QString& file, std::initializer_list<const char*> indexes) {
        Deck other;
        addCards(other, indexes);
        FakeUi quiet;
        Profile p(settings);
        DocumentOf d(other, quiet, p);
        ASSERT_TRUE(d.commands.WriteDeckFile(file));
    }
};
