#pragma once

#include <QPlainTextEdit>

#include <string_view>

// The front card's body editor. It shows the body's Windows-1252 bytes with CR LF as line
// breaks, refuses what a card cannot hold (more than 511 bytes, characters outside the code
// page), and reports every change so that no edit is ever lost.
class CardEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CardEdit(QWidget* parent);

    // Loads a card's body; this is not an edit.
    void setBody(std::string_view bytes);
    // The text as a card stores it: CR LF line breaks, at most 511 bytes.
    QByteArray body() const;
    // The stored bytes of the selection up to its first line break; Find starts with it.
    QByteArray selectedBytes() const;
    // Selects the body's bytes [start, end) and shows them.
    void selectBytes(int start, int end);

    // Editor position of a byte offset in a body: a CR LF pair is one line break here.
    static int positionOfByte(std::string_view body, int byteOffset);

    // The Insert key's overwrite typing; one setting for the whole program.
    static bool overwriteTyping() { return s_overwrite; }

Q_SIGNALS:
    // A key reached the editor (every key does, navigation and modifiers included).
    void keyPressed();
    // The text differs from what was last loaded or reported.
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
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Bytes the body would hold after the selection (or, when overwriting, the character
    // under the cursor) is replaced.
    int bytesLeftForInsert(bool overwriting) const;
    // The part of text that may be inserted: characters the code page holds, up to the room
    // left, with line breaks of any kind as one break.
    QString acceptable(const QString& text, bool overwriting);
    void onContentsChanged();

    static bool s_overwrite;
    bool m_loading = false;
    QByteArray m_reported;
};
