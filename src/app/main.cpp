#include "ui/DeckApp.h"

int main(int argc, char* argv[]) {
    DeckApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
