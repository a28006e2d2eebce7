#include "files/SafeWrite.h"
#include "ui/CommandLine.h"
#include "ui/DeckApp.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    SafeWrite::ignoreFileSizeSignal();
    CommandLine line = CommandLine::parse(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Version:
        std::printf("quorix %s\n", QUORIX_VERSION);
        return 0;
    case CommandLine::Action::Help:
        std::fputs(CommandLine::usage(), stdout);
        return 0;
    case CommandLine::Action::Run:
        break;
    }
    int qtArgc = static_cast<int>(line.forQt.size());
    line.forQt.push_back(nullptr);
    DeckApp app(qtArgc, line.forQt.data());
    app.addStartupArguments(line.afterDashes);
    app.setStartupCopy(line.copyOf);
    app.setStartupRecovery(line.recover);
    if (!app.InitInstance())
        return 0; // the deck's own window has come forward

    return app.exec();
}
