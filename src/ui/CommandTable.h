#pragma once

#include <span>

// Command ids: menu items, accelerator keys and the front card's buttons all arrive at the
// main window as one of these.
namespace Cmd {
constexpr int New = 40010;
constexpr int Open = 57601;
constexpr int Save = 57603;
constexpr int SaveAs = 40020;
constexpr int Merge = 40071;
constexpr int ImportCardfile = 40050;
constexpr int ExportText = 40053;
constexpr int ExportCommaDelimited = 40055;
constexpr int PrintCard = 40044;
constexpr int PrintList = 40045;
constexpr int PrintTag = 40056;
constexpr int SendCard = 40048;
constexpr int SendList = 40057;
constexpr int SendTag = 40058;
constexpr int Exit = 40003;
constexpr int Undo = 57643;
constexpr int RestoreCard = 40083;
constexpr int Cut = 57635;
constexpr int Copy = 57634;
constexpr int Paste = 57637;
constexpr int EditIndex = 40011;
constexpr int GoTo = 40013;
constexpr int Find = 57636;
constexpr int Add = 40005;
constexpr int Duplicate = 40082;
constexpr int Delete = 40006;
constexpr int Undelete = 40084;
constexpr int ViewCards = 40080;
constexpr int ViewList = 40081;
constexpr int Tag = 40059;
constexpr int Restore = 40021;
constexpr int HelpContents = 40043;
constexpr int About = 40008;
// The front card's buttons.
constexpr int PreviousCard = 126;
constexpr int NextCard = 127;
constexpr int PrintButton = 128;
constexpr int MailButton = 129;
} // namespace Cmd

// When a command may run; evaluated when a menu opens and again before the command runs.
enum class EnableRule {
    Always,
    Cards,     // the deck holds at least one card
    Save,      // cards, and the deck did not come from a card-file import
    Undo,      // cards, and the editor can undo
    Selection, // cards, and the editor has a selection
    Paste,     // cards, and the clipboard holds text
    Mail,      // cards, and the mail program can be reached
    Restore,   // the front card differs from how it came to the front
    Deleted,   // a deleted card waits to be brought back
};

struct Command {
    int id;
    // Menu titles from the menu bar down, separated by '|', with their '&' mnemonics.
    const char* menuPath;
    // Shown after a tab in the menu item; nullptr for none.
    const char* key;
    // True when the key is an accelerator of the main window (the F keys); the editor
    // handles the others itself.
    bool accelerator;
    const char* prompt;
    EnableRule rule;
    // A separator follows this item's entry in the top-level menu.
    bool separatorAfter;
    // One of a group of exclusive, checkable entries (the views).
    bool checkable = false;
};

std::span<const Command> commandTable();
const Command* findCommand(int id);
