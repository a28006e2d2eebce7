#pragma once

#include "deck/CardRing.h"

#include <QDialog>

class CharacterSet;
class Deck;
class QPushButton;
class TagListBox;

// Card > Tag...: every card's index with its tag mark. "Ok" writes the marks into the cards,
// "Cancel" (or Escape) leaves every tag as it was.
class TagDialog : public QDialog {
    Q_OBJECT
public:
    // The ids of the dialog's own Tag menu.
    static constexpr int TagAllId = 40070;
    static constexpr int TagNoneId = 40068;
    static constexpr int TagSelectedId = 40069;

    TagDialog(QWidget* parent, Deck& deck, const CharacterSet& characterSet);

    // The Tag command: the dialog, run to its end.
    static void run(QWidget* parent, Deck& deck, const CharacterSet& characterSet);

    TagListBox* list() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    QAction* menuAction(int commandId) const;

    void accept() override;
    // After Ok: whether any card's tag changed.
    bool changedTags() const { return m_changed; }

private:
    Deck& m_deck;
    DeckSnapshot m_shown;
    TagListBox* m_list;
    QPushButton* m_ok;
    QList<QAction*> m_actions;
    bool m_changed = false;
};
