#include "CardEdit.h"

#include "deck/Card.h"
#include "deck/Cp1252.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

bool CardEdit::s_overwrite = false;

namespace {

constexpr QChar ParagraphSeparator(0x2029);
constexpr QChar LineSeparator(0x2028);

bool isBreak(QChar c) {
    return c == ParagraphSeparator || c == LineSeparator || c == u'\n';
}

// Bytes a text takes on a card: every character one, every line break two (CR LF).
int storedSize(const QString& text) {
    int n = 0;
    for (QChar c : text)
        n += isBreak(c) ? 2 : 1;
    return n;
}

const QString TooLong = QStringLiteral("A card holds at most 511 characters.");
const QString NotInCodePage = QStringLiteral("Characters that a card cannot hold were left out.");

} // namespace

CardEdit::CardEdit(QWidget* parent)
    : QPlainTextEdit(parent) {
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    setOverwriteMode(s_overwrite);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(document(), &QTextDocument::contentsChanged, this, &CardEdit::onContentsChanged);
}

void CardEdit::setBody(std::string_view bytes) {
    QString text = Cp1252::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    m_loading = true;
    setPlainText(text);
    m_loading = false;
    m_reported = body();
}

QByteArray CardEdit::body() const {
    QString text = document()->toRawText();
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        if (isBreak(c))
            out += QStringLiteral("\r\n");
        else
            out += c;
    }
    QByteArray bytes = Cp1252::encode(out).value_or(QByteArray());
    bytes.truncate(Card::MaxBodyLength);
    return bytes;
}

QByteArray CardEdit::selectedBytes() const {
    QString text = textCursor().selectedText();
    const auto cut = std::find_if(text.cbegin(), text.cend(), isBreak);
    text.truncate(cut - text.cbegin());
    return Cp1252::encode(text).value_or(QByteArray());
}

int CardEdit::positionOfByte(std::string_view body, int byteOffset) {
    int position = 0;
    for (int i = 0; i < byteOffset && i < static_cast<int>(body.size()); ++i) {
        if (body[static_cast<std::size_t>(i)] == '\r' && i + 1 < static_cast<int>(body.size()) &&
            body[static_cast<std::size_t>(i) + 1] == '\n')
            ++i; // the pair is one break
        ++position;
    }
    return position;
}

void CardEdit::selectBytes(int start, int end) {
    const QByteArray bytes = body();
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QTextCursor cursor(document());
    cursor.setPosition(positionOfByte(view, start));
    cursor.setPosition(positionOfByte(view, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

int CardEdit::bytesLeftForInsert(bool overwriting) const {
    const QTextCursor cursor = textCursor();
    int freed = storedSize(cursor.selectedText());
    if (overwriting && !cursor.hasSelection() && !cursor.atBlockEnd())
        freed += 1;
    return Card::MaxBodyLength - storedSize(document()->toRawText()) + freed;
}

QString CardEdit::acceptable(const QString& text, bool overwriting) {
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(u'\r', u'\n');
    int room = bytesLeftForInsert(overwriting);
    QString out;
    bool dropped = false;
    bool cut = false;
    for (QChar c : normalized) {
        if (!isBreak(c) && !Cp1252::canEncode(c)) {
            dropped = true;
            continue;
        }
        const int size = isBreak(c) ? 2 : 1;
        if (size > room) {
            cut = true;
            break;
        }
        room -= size;
        out += isBreak(c) ? QChar(u'\n') : c;
    }
    if (dropped || cut) {
        QApplication::beep();
        Q_EMIT inputRefused(cut ? TooLong : NotInCodePage);
    }
    return out;
}

void CardEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const int key = event->key();

    // The Insert key of the cursor block, first press only, without Shift, Ctrl or Alt.
    if (key == Qt::Key_Insert && !event->isAutoRepeat() &&
        !(mods &
          (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier))) {
        s_overwrite = !s_overwrite;
        setOverwriteMode(s_overwrite);
        Q_EMIT overwriteTypingChanged(s_overwrite);
    }

    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool ctrlJump = ctrl && !alt && ((key >= Qt::Key_A && key <= Qt::Key_Z) || enter);
    bool handled = false;
    if (!ctrl && !alt) {
        // Typed text goes through the same checks as pasted text.
        const QString text = enter ? QStringLiteral("\n") : event->text();
        const bool typing =
            !text.isEmpty() && (enter || text == QStringLiteral("\t") || text.at(0).isPrint());
        if (typing) {
            // Qt overwrites a character for typed text, never for a line break.
            const QString allowed = acceptable(text, overwriteMode() && !enter);
            if (allowed != text) {
                handled = true;
                event->accept();
            }
        }
    }
    // Ctrl+Enter stands for Ctrl+J: it jumps and types nothing.
    if (!handled && !(ctrlJump && enter))
        QPlainTextEdit::keyPressEvent(event);
    // Alt and its combinations, and F10, belong to the menus: they are system keys, not
    // keys typed into the card.
    const bool systemKey = alt || key == Qt::Key_Alt || key == Qt::Key_AltGr || key == Qt::Key_F10;
    if (!systemKey)
        Q_EMIT keyPressed();

    if (ctrlJump) {
        event->accept();
        const char letter = enter ? 'j' : static_cast<char>('a' + (key - Qt::Key_A));
        Q_EMIT jumpRequested(letter);
    }
}

void CardEdit::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(cursorRect().bottomLeft());
    event->accept();
    Q_EMIT cardMenuRequested(at);
}

void CardEdit::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText())
        return;
    const QString text = acceptable(source->text(), false);
    if (!text.isEmpty())
        textCursor().insertText(text);
    ensureCursorVisible();
}

void CardEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) {
        const QString allowed = acceptable(event->commitString(), overwriteMode());
        if (allowed != event->commitString()) {
            QInputMethodEvent filtered(event->preeditString(), event->attributes());
            filtered.setCommitString(allowed, event->replacementStart(),
                                     event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&filtered);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CardEdit::onContentsChanged() {
    if (m_loading)
        return;
    const QByteArray now = body();
    if (now != m_reported) {
        m_reported = now;
        Q_EMIT edited();
    }
}
