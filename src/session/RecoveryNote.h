#pragma once

#include "files/FileStamp.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The small text file beside a recovery copy that says whose copy it is: the deck's path (or
// none, for an untitled deck), whether the work came from a card file, the time of the last
// change, what the deck's file was when the unsaved work began, the character set it was shown
// in, and the program that wrote it. Every path is kept whole, whatever bytes it holds.
struct RecoveryNote {
    static constexpr int Version = 2;

    QString program; // "<pid>:<start time>": still running, or not
    QString deckPath;
    bool imported = false; // deckPath names the card file the work came from
    QDateTime lastChange;
    std::optional<FileStamp> stamp;
    int codePage = 0;

    QString toText() const;
    // Nothing when the text is not a note this version reads (damaged, or from a newer
    // Quorix).
    static std::optional<RecoveryNote> fromText(const QString& text);

    // This program, as a note names it; and whether a program so named still runs.
    static QString thisProgram();
    static bool isRunning(const QString& program);
};
