#include "files/FileNames.h"
#include "files/SafeWrite.h"
#include "ui/DeckApp.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char* const Usage =
    "Usage: quorix [OPTION...] [FILE]\n"
    "\n"
    "Starts the Quorix index-card manager, on FILE when one is named: a Quorix deck\n"
    "file (.qrx), or an old card file (.crd), which is imported. The file's contents\n"
    "say which, not its name.\n"
    "\n"
    "  --help     shows this text\n"
    "  --version  shows the version\n"
    "  --         ends the options: what follows is the file's name, even when it\n"
    "             starts with \"-\"\n"
    "\n"
    "Qt's own options work too, such as -style NAME and -stylesheet FILE.\n"
    "Settings live in $XDG_CONFIG_HOME/Quorix/quorix.conf (~/.config/Quorix/quorix.conf).\n";

} // namespace

int main(int argc, char* argv[]) {
    SafeWrite::ignoreFileSizeSignal();
    // Options that need no display are answered before Qt starts; what follows "--" is kept
    // from Qt, which would otherwise take a file named "-style" for its option.
    std::vector<char*> forQt{argv[0]};
    QStringList afterDashes;
    bool dashes = false;
    for (int i = 1; i < argc; ++i) {
        if (dashes) {
            afterDashes << FileNames::decode(QByteArrayView(argv[i]));
        } else if (std::strcmp(argv[i], "--") == 0) {
            dashes = true;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorix %s\n", QUORIX_VERSION);
            return 0;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        } else {
            forQt.push_back(argv[i]);
        }
    }
    int qtArgc = static_cast<int>(forQt.size());
    forQt.push_back(nullptr);
    DeckApp app(qtArgc, forQt.data());
    app.addStartupArguments(afterDashes);
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
