#include "CommandLine.h"

#include "files/FileNames.h"

#include <cstring>

CommandLine CommandLine::parse(int argc, char* argv[]) {
    CommandLine line;
    line.forQt.push_back(argv[0]);
    bool dashes = false;
    for (int i = 1; i < argc; ++i) {
        if (dashes)
            line.afterDashes << FileNames::decode(QByteArrayView(argv[i]));
        else if (std::strcmp(argv[i], "--") == 0)
            dashes = true;
        else if (std::strcmp(argv[i], "--version") == 0)
            line.action = Action::Version;
        else if (std::strcmp(argv[i], "--help") == 0)
            line.action = Action::Help;
        else if (std::strcmp(argv[i], "--copy-of") == 0 && i + 1 < argc)
            line.copyOf = FileNames::decode(QByteArrayView(argv[++i]));
        else if (std::strcmp(argv[i], "--recover") == 0 && i + 1 < argc)
            line.recover = FileNames::decode(QByteArrayView(argv[++i]));
        else
            line.forQt.push_back(argv[i]);
    }
    return line;
}

const char* CommandLine::usage() {
    return "Usage: quorix [OPTION...] [FILE]\n"
           "\n"
           "Starts the Quorix index-card manager, on FILE when one is named: a Quorix deck\n"
           "file (.qrx), or an old card file (.crd), which is imported. The file's contents\n"
           "say which, not its name.\n"
           "\n"
           "  --help     shows this text\n"
           "  --version  shows the version\n"
           "  --copy-of FILE\n"
           "             shows the cards of the deck FILE in an untitled window: Save asks\n"
           "             for a new name, so FILE is never written\n"
           "  --recover COPY\n"
           "             brings back the unsaved work kept in the recovery copy COPY\n"
           "  --         ends the options: what follows is the file's name, even when it\n"
           "             starts with \"-\"\n"
           "\n"
           "Qt's own options work too, such as -style NAME and -stylesheet FILE.\n"
           "Settings live in $XDG_CONFIG_HOME/Quorix/quorix.conf "
           "(~/.config/Quorix/quorix.conf).\n";
}
