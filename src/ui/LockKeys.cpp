#include "LockKeys.h"

#include <QGuiApplication>

#ifdef QUORIX_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace LockKeys {

State read() {
    State state;
#ifdef QUORIX_HAVE_X11
    auto* app = qGuiApp;
    if (!app)
        return state;
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display()) {
            unsigned int indicators = 0;
            if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) == Success) {
                state.caps = indicators & 0x1;
                state.num = indicators & 0x2;
            }
        }
    }
#endif
    return state;
}

} // namespace LockKeys
