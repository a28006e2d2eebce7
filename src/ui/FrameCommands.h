#pragma once

class DeckFrame;
class WindowPort;

// The commands the main window carries out itself, and those the core owns, bound to the
// window's actions: the session's, the Edit commands on the field the user sees, Next and
// Previous in either view, Find, the views, Tag, Restore, Help and About.
namespace FrameCommands {

void bind(DeckFrame& frame, WindowPort& port);

} // namespace FrameCommands
