#pragma once

#include "FakeUi.h"
#include "files/Document.h"
#include "files/Profile.h"
#include "support/DeckHelpers.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A deck, its document and settings in a temporary folder, with a scripted user.
class DocumentFixture : public testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    Profile profile{settings};
    Deck deck;
    FakeUi ui;
    Document doc{deck, ui, profile};

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
        Document d(other, quiet, p);
        ASSERT_TRUE(d.WriteDeckFile(file));
    }
};
