#pragma once

#include <QString>

// The few parts of the window the core keeps up to date. What the deck looks like is not among
// them: the views follow the deck's own announcements.
class WindowStatus {
public:
    virtual ~WindowStatus() = default;

    virtual void setTitle(const QString& title) = 0;
    // Selects bytes [start, end) of the front card's body in the editor and shows them.
    virtual void selectBodyBytes(int start, int end) = 0;
    // A short note in the status bar, gone after a few seconds.
    virtual void statusMessage(const QString& text) = 0;
    // The wait cursor while a slow hand-off runs.
    virtual void setBusy(bool busy) { (void)busy; }
    // Whether a dialog or menu is open over the deck: what the user does there is meant for
    // the cards it shows, so the deck is not read again from its file meanwhile.
    virtual bool dialogOpen() const { return false; }
};
