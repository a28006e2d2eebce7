#pragma once

#include "deck/BodyText.h"

#include <QPlainTextEdit>

#include <functional>
#include <string_view>

class CharacterSet;

// The front card's body editor. It shows the body's bytes in the deck's character set, every line
// break (CR LF, or a lone CR or LF from another program) as a line break, and keeps each break's
// bytes through edits elsewhere. Every way text comes in (typing with any modifier, input
// methods, paste, drop) passes one gate, which leaves out what a card cannot hold and keeps
// the body within its limit (511 bytes of a code page, 511 characters of Unicode). Every change
// is reported at once, so no edit is ever lost.
class CardEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    CardEdit(const CharacterSet& characterSet, QWidget* parent);

    // Loads a card's body; this is not an edit.
    void setBody(std::string_view bytes);
    // Loads the body of the same card as read again from its file: the cursor, the selection
    // and the scroll stay where they were in the text, moved only by what changed before them.
    void reloadBody(std::string_view bytes);
    // The bytes the card holds: those last loaded, or of the last edit.
    const QByteArray& storedBody() const { return m_stored; }
    // The stored bytes of the selection up to its first line break; Find starts with it.
    QByteArray selectedBytes() const;
    // Selects the body's bytes [start, end) and shows them, also while another window (the
    // Find dialog) has the keyboard.
    void selectBytes(int start, int end);

    // What Ctrl, or Ctrl and Shift, with a letter does in the body: the desktop's editing keys
    // (Ctrl+C, X, V, Z and A, and Ctrl+Shift+Z) edit; Ctrl+S saves, as F3 does (the window's
    // own key, which never reaches the body); every other letter jumps to the next card with
    // that initial, and so does Ctrl+Shift with any letter but Z.
    enum class Chord { Jump, Copy, Cut, Paste, Undo, Redo, SelectAll, Save };
    static Chord chordOf(int key, Qt::KeyboardModifiers modifiers);

    // The Insert key's overwrite typing; the cascade keeps it from one front card to the next.
    bool overwriteTyping() const { return overwriteMode(); }
    void setOverwriteTyping(bool on) { setOverwriteMode(on); }

    // Asked, in a deck of a code page, before text the set cannot hold (named) is left out:
    // true when the deck now holds any text.
    void setHoldAnyText(std::function<bool(const QString& leftOut)> holdAnyText) {
        m_holdAnyText = std::move(holdAnyText);
    }

Q_SIGNALS:
    // The body's bytes changed; storedBody() holds the new ones.
    void edited();
    // Ctrl with a letter: bring the next card with that initial to the front.
    void jumpRequested(char letter);
    void cardMenuRequested(const QPoint& globalPos);
    void overwriteTypingChanged(bool on);
    // Typed or pasted text was refused, or cut; says why.
    void inputRefused(const QString& reason);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // The document's text with every line break as '\n'.
    QString editorText() const;
    // Bytes left for text that replaces the selection (or, when overwriting, the character
    // under the cursor).
    int room(bool overwriting) const;
    // The part of text that may go in: characters a card holds, up to the room left, every
    // kind of line break as '\n'. Says so when anything was left out.
    QString admit(const QString& text, bool overwriting);
    // Inserts text the gate has already seen, as typing does.
    void insertTyped(const QString& text);
    void refuse(const QString& reason);
    void onContentsChange(int position, int removed, int added);
    void onContentsChanged();

    const CharacterSet& m_characterSet;
    BodyText m_body;
    QByteArray m_stored;
    bool m_loading = false;
    std::function<bool(const QString&)> m_holdAnyText;
};
