#pragma once

#include <QDialog>

class CharacterSet;
class DeckSession;
class QLineEdit;
class QPushButton;

// The modeless Find dialog: the text to look for, Find Next and Close. The search always
// goes forward through the whole deck and ignores case, so there are no options.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    FindDialog(QWidget* parent, const CharacterSet& characterSet);

    // Edit > Find: the parent's dialog (made once, kept while it is open) with the text to find
    // set to the selection, and a new search through the session's deck.
    static FindDialog* open(QWidget* parent, DeckSession& session, const QByteArray& selection);

    void setText(const QByteArray& text);
    QByteArray text() const;
    QLineEdit* edit() const { return m_edit; }
    // Moves the dialog off a match (screen coordinates) where it covers it: below it, above it,
    // or beside it, within the screen.
    void keepClearOf(const QRect& match);
    QPushButton* findNextButton() const { return m_findNext; }

Q_SIGNALS:
    void findNext(const QByteArray& text);

private:
    const CharacterSet& m_characterSet;
    QLineEdit* m_edit;
    QPushButton* m_findNext;
};
