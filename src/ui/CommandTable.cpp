#include "CommandTable.h"

#include <algorithm>

namespace {

using R = EnableRule;

// The whole menu bar, in menu order.
constexpr Command Table[] = {
    {Cmd::New, "&File|&New", "F2", true, "Create a new document", R::Always, false},
    {Cmd::Open, "&File|&Open...", nullptr, false, "Open an existing document", R::Always, false},
    {Cmd::Save, "&File|&Save", "F3", true, "Save the current document", R::Save, false},
    {Cmd::SaveAs, "&File|Save &As...", nullptr, false,
     "Save the active document in a different file", R::Cards, false},
    {Cmd::Merge, "&File|&Merge...", nullptr, false, "Merge two .QRX files together", R::Cards,
     true},
    {Cmd::ImportCardfile, "&File|&Import|Cardfile...", nullptr, false, "Open a Cardfile file",
     R::Always, false},
    {Cmd::ExportText, "&File|Export|Text file...", nullptr, false, "Exports a ASCII text file",
     R::Cards, false},
    {Cmd::ExportCommaDelimited, "&File|Export|Comma Delimited Text...", nullptr, false,
     "Exports a file compatible with most Database programs", R::Cards, true},
    {Cmd::PrintCard, "&File|&Print|&Card...", nullptr, false, "Print the front most card", R::Cards,
     false},
    {Cmd::PrintList, "&File|&Print|&List...", nullptr, false, "Print a list of all indexes",
     R::Cards, false},
    {Cmd::PrintTag, "&File|&Print|Tag...", nullptr, false, "Print tagged cards", R::Cards, true},
    {Cmd::SendCard, "&File|Sen&d|&Card...", nullptr, false, "Email the front card", R::Mail, false},
    {Cmd::SendList, "&File|Sen&d|&List...", nullptr, false, "Email a list of all indexes", R::Cards,
     false},
    {Cmd::SendTag, "&File|Sen&d|Tag...", nullptr, false, "Email tagged cards", R::Cards, true},
    {Cmd::Exit, "&File|E&xit", nullptr, false, "Exit the application", R::Always, false},
    {Cmd::Undo, "&Edit|&Undo", "", false, "Undo the last keystroke", R::Undo, false},
    {Cmd::RestoreCard, "&Edit|&Restore Card", nullptr, false, "Undo every change to the front card",
     R::Restore, true},
    {Cmd::Cut, "&Edit|Cu&t", "Shift+Del", false, "Cut the selected text to the clipboard",
     R::Selection, false},
    {Cmd::Copy, "&Edit|&Copy", "Ctrl+Ins", false, "Copy the selected text to the clipboard",
     R::Selection, false},
    {Cmd::Paste, "&Edit|&Paste", "Shift+Ins", false, "Paste the clipboard text into card", R::Paste,
     true},
    {Cmd::EditIndex, "&Edit|I&ndex...", nullptr, false, "Edit the Index header of the front card",
     R::Cards, true},
    {Cmd::GoTo, "&Edit|&Go To...", "F5", true, "Bring a specific card to the front", R::Cards,
     false},
    {Cmd::Find, "&Edit|&Find...", "F4", true, "Find all occurences of specified text", R::Cards,
     false},
    {Cmd::ViewCards, "&View|&Cards", nullptr, false, "Show the cards", R::Always, false, true},
    {Cmd::ViewList, "&View|&List", "F6", true, "Show a list of all indexes", R::Always, false,
     true},
    {Cmd::Add, "&Card|&Add...", "F7", true, "Add a new card", R::Always, false},
    {Cmd::Duplicate, "&Card|Du&plicate", nullptr, false, "Make a copy of the front card", R::Cards,
     true},
    {Cmd::Delete, "&Card|&Delete...", nullptr, false, "Delete the front card", R::Cards, false},
    {Cmd::Undelete, "&Card|&Undelete", nullptr, false, "Bring back the last deleted card",
     R::Deleted, true},
    {Cmd::Tag, "&Card|Tag...", nullptr, false, "Select multiple cards to print or email", R::Cards,
     false},
    {Cmd::Restore, "&Window|&Restore", nullptr, false,
     "Restore the main window to the start up position", R::Always, false},
    {Cmd::HelpContents, "&Help|Contents...", "F1", true, "Engage Help Contents", R::Always, true},
    {Cmd::About, "&Help|&About", nullptr, false, "Info about the author and copyright", R::Always,
     false},
};

} // namespace

std::span<const Command> commandTable() {
    return Table;
}

const Command* findCommand(int id) {
    const auto it = std::find_if(std::begin(Table), std::end(Table),
                                 [id](const Command& c) { return c.id == id; });
    return it == std::end(Table) ? nullptr : &*it;
}
