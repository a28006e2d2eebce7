#pragma once

#include "ports/CommandBinder.h"

#include <span>

// One command of the menus and keys. Rows are written with designated initializers; what a
// command does and when it may run is bound by the object that owns it (CommandBinder).
struct Command {
    int id = 0;
    // Menu titles from the menu bar down, separated by '|', with their '&' mnemonics; nullptr
    // for a command of the keyboard alone.
    const char* menu = nullptr;
    // Its keys, as QKeySequence reads them ("F2", "Shift+Del"); the first is shown.
    const char* keys[2] = {nullptr, nullptr};
    // The keys belong to the text field that has the keyboard, which handles them itself; the
    // menu only shows them.
    bool keysOfTheField = false;
    const char* prompt = "";
    // A separator follows this item's entry in the top-level menu.
    bool separatorAfter = false;
    // The exclusive group of checkable entries the item belongs to, within its menu.
    const char* group = nullptr;
    // After the command the keyboard goes back to the front card (or the list's filter).
    bool keyboardToCard = true;
};

std::span<const Command> commandTable();
const Command* findCommand(int id);
