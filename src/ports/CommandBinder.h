#pragma once

#include <functional>

// Command ids: menu items, keys and the front card's buttons all name their command by one of
// these.
namespace Cmd {
constexpr int New = 40010;
constexpr int Open = 57601;
constexpr int Save = 57603;
constexpr int SaveAs = 40020;
constexpr int Merge = 40071;
constexpr int MergeChangesFrom = 40072;
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
// The front card's buttons, and Next and Previous from the keyboard.
constexpr int PreviousCard = 126;
constexpr int NextCard = 127;
constexpr int PrintButton = 128;
constexpr int MailButton = 129;
// View > Character Set: this plus the code page (41252 for Windows-1252).
constexpr int CharacterSet = 40000;
} // namespace Cmd

// Where the objects that own commands (the document, the deck commands, the views, printing,
// mail) bind each command id to what it does and when it may run. The window's side builds
// the menus and keys from its table and runs the bound handler; a command whose rule does not
// hold is ignored, whichever way it arrives.
class CommandBinder {
public:
    using Run = std::function<void()>;
    using Rule = std::function<bool()>;

    virtual ~CommandBinder() = default;
    // Without a rule the command may always run.
    virtual void bind(int id, Run run, Rule enabled = {}) = 0;
    // One of a group of exclusive choices: whether it is the one chosen now.
    virtual void bindChecked(int id, Rule checked) = 0;
};
