#pragma once

// Caps Lock and Num Lock. Qt has no way to read them; on X11 the keyboard extension tells.
// Elsewhere (Wayland, the offscreen platform) both read as off and their panes stay empty.
namespace LockKeys {

struct State {
    bool caps = false;
    bool num = false;
};

State read();

} // namespace LockKeys
