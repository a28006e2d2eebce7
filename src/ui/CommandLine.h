#pragma once

#include <QStringList>

#include <vector>

// The program's command line, read before Qt starts: --help and --version need no display,
// and what follows "--" is kept from Qt, which would take a file named "-style" for its option.
struct CommandLine {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    // argv for QApplication: the program name and every argument before "--".
    std::vector<char*> forQt;
    // The arguments after "--", as their bytes.
    QStringList afterDashes;
    // --copy-of FILE: the deck's cards in an untitled window of their own (another program's
    // version of a deck, shown beside the user's).
    QString copyOf;
    // --recover COPY: the work kept in a recovery copy, brought back in this window (Recover was
    // chosen for it in another).
    QString recover;

    static CommandLine parse(int argc, char* argv[]);
    static const char* usage();
};
