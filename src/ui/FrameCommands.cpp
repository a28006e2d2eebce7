#include "FrameCommands.h"

#include "AboutDialog.h"
#include "CardEdit.h"
#include "CardStack.h"
#include "CardWindow.h"
#include "CommandActions.h"
#include "DeckFrame.h"
#include "Dialogs.h"
#include "EditCommands.h"
#include "HelpWindow.h"
#include "IndexList.h"
#include "TagDialog.h"
#include "WindowPort.h"
#include "WindowPos.h"

#include <QLineEdit>

namespace FrameCommands {

void bind(DeckFrame& frame, WindowPort& port) {
    CommandActions* actions = frame.commands();
    frame.session().bindCommands(*actions);
    // The Edit commands act on the field the user sees: in the list view its filter box, never
    // the body of a card that is not on the screen.
    auto* edit = new EditCommands(
        [&frame]() -> QWidget* {
            if (frame.isListShown())
                return frame.indexList()->filterBox();
            return frame.cardStack()->front() ? frame.cardStack()->front()->editor() : nullptr;
        },
        &frame);
    edit->bindCommands(*actions);
    QObject::connect(edit, &EditCommands::statesChanged, actions, &CommandActions::updateSoon);

    // The commands on the front card act on the card the list shows as current; with no card
    // shown there is none.
    for (int id : {Cmd::EditIndex, Cmd::Delete, Cmd::Duplicate, Cmd::RestoreCard, Cmd::PrintCard,
                   Cmd::SendCard})
        actions->restrict(
            id, [&frame] { return !frame.isListShown() || frame.indexList()->showsFrontCard(); });
    for (auto [id, rows] : {std::pair(Cmd::NextCard, 1), std::pair(Cmd::PreviousCard, -1)}) {
        actions->bind(
            id,
            [&frame, rows] {
                if (frame.isListShown())
                    frame.indexList()->moveCurrent(rows);
                else if (rows > 0)
                    frame.session().commands().Next();
                else
                    frame.session().commands().Previous();
            },
            [&frame] { return !frame.session().deck().isEmpty(); });
    }

    const auto cards = [&frame] { return !frame.session().deck().isEmpty(); };
    actions->bind(Cmd::Exit, [&frame] { frame.close(); });
    actions->bind(
        Cmd::Find, [&frame] { frame.showFind(); }, cards);
    actions->bind(Cmd::ViewCards, [&frame] { frame.showView(false); });
    // F6 switches between the two views.
    actions->bind(Cmd::ViewList, [&frame] { frame.showView(!frame.isListShown()); });
    actions->bindChecked(Cmd::ViewCards, [&frame] { return !frame.isListShown(); });
    actions->bindChecked(Cmd::ViewList, [&frame] { return frame.isListShown(); });
    actions->bind(
        Cmd::Tag,
        [&frame] {
            TagDialog::run(&frame, frame.session().deck(), frame.session().characterSet());
        },
        cards);
    actions->bind(Cmd::Restore, [&frame] {
        WindowPos::restore(frame);
        frame.cardStack()->LayoutCardWindows();
    });
    actions->bind(Cmd::HelpContents, [&frame, &port] { HelpWindow::open(&frame, port); });
    actions->bind(Cmd::About, [&frame] {
        const KeyboardReturn back(&frame);
        AboutDialog(&frame).exec();
    });
}

} // namespace FrameCommands
