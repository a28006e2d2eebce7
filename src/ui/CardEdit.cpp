#include "CardEdit.h"

#include "InputHints.h"
#include "deck/Card.h"
#include "deck/CharacterSet.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>

namespace {

bool isBreak(QChar c) {
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n' || c == u'\r';
}

// Every kind of line break as one '\n'.
QString withPlainBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // the CR of a CR LF pair
        out += isBreak(text[i]) ? QChar(u'\n') : text[i];
    }
    return out;
}

// Whether the text editor would insert a key's text: mirrors its own rule, so that every key
// that types passes the gate, whatever its modifiers.
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == u'\t' ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// The plain text layout aligns every paragraph to the left: this one aligns each to the side
// its first letter is read from, as it lays the paragraph out and wherever it is measured.
class ReadingLayout : public QPlainTextDocumentLayout {
public:
    using QPlainTextDocumentLayout::QPlainTextDocumentLayout;

    QRectF blockBoundingRect(const QTextBlock& block) const override {
        const QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block);
        align(block);
        return rect;
    }

protected:
    void documentChanged(int from, int removed, int added) override {
        QPlainTextDocumentLayout::documentChanged(from, removed, added);
        for (QTextBlock block = document()->findBlock(from);
             block.isValid() && block.position() <= from + added; block = block.next())
            align(block);
    }

private:
    static void align(const QTextBlock& block) {
        QTextLayout* layout = block.layout();
        if (!layout)
            return;
        const Qt::Alignment side = block.text().isRightToLeft() ? Qt::AlignRight | Qt::AlignAbsolute
                                                                : Qt::AlignLeft | Qt::AlignAbsolute;
        QTextOption option = layout->textOption();
        if (option.alignment() != side) {
            option.setAlignment(side);
            layout->setTextOption(option);
        }
    }
};

} // namespace

CardEdit::CardEdit(const CharacterSet& characterSet, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_characterSet(characterSet) {
    auto* text = new QTextDocument(this);
    text->setDocumentLayout(new ReadingLayout(text));
    setDocument(text);
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(document(), &QTextDocument::contentsChange, this, &CardEdit::onContentsChange);
    connect(document(), &QTextDocument::contentsChanged, this, &CardEdit::onContentsChanged);
    // Find's mark goes with the first move or edit.
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { setExtraSelections({}); });
}

QString CardEdit::editorText() const {
    QString text = document()->toRawText();
    for (QChar& c : text) {
        if (isBreak(c))
            c = u'\n';
    }
    return text;
}

void CardEdit::setBody(std::string_view bytes) {
    m_loading = true;
    m_body = BodyText::fromBytes(bytes, m_characterSet);
    setPlainText(m_body.text());
    m_loading = false;
    m_stored = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // The document may hold a character differently from how it was given (it never should);
    // then it follows what the document shows.
    if (editorText() != m_body.text())
        m_body.follow(editorText(), 0, static_cast<int>(document()->characterCount()));
}

void CardEdit::reloadBody(std::string_view bytes) {
    const QString before = editorText();
    // As numbers: a cursor follows the document, which the load replaces.
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    const int scroll = verticalScrollBar()->value();
    setBody(bytes);
    const QString after = editorText();
    // What stands before and after the change stays in place; a position inside it goes to
    // the change's end.
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const auto moved = [&](int position) {
        if (position <= prefix)
            return position;
        if (position >= before.size() - suffix)
            return static_cast<int>(position + after.size() - before.size());
        return static_cast<int>(after.size() - suffix);
    };
    QTextCursor cursor(document());
    cursor.setPosition(moved(anchor));
    cursor.setPosition(moved(position), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(scroll);
}

QByteArray CardEdit::selectedBytes() const {
    QString text = textCursor().selectedText();
    const auto cut = std::find_if(text.cbegin(), text.cend(), isBreak);
    text.truncate(cut - text.cbegin());
    return m_characterSet.encode(text).value_or(QByteArray());
}

void CardEdit::selectBytes(int start, int end) {
    const std::string_view bytes(m_stored.constData(), static_cast<std::size_t>(m_stored.size()));
    QTextCursor cursor(document());
    cursor.setPosition(BodyText::positionOfByte(bytes, start, m_characterSet));
    cursor.setPosition(BodyText::positionOfByte(bytes, end, m_characterSet),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
    // The selection shows in the highlight colours even without the keyboard.
    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(palette().brush(QPalette::Active, QPalette::Highlight));
    mark.format.setForeground(palette().brush(QPalette::Active, QPalette::HighlightedText));
    setExtraSelections({mark});
}

int CardEdit::room(bool overwriting) const {
    const QTextCursor cursor = textCursor();
    int from = cursor.selectionStart();
    int to = cursor.selectionEnd();
    if (overwriting && from == to && !cursor.atBlockEnd())
        ++to;
    BodyText after = m_body;
    after.replace(from, to - from, QString());
    return Card::MaxBodyLength - after.storedSize();
}

void CardEdit::refuse(const QString& reason) {
    QApplication::beep();
    Q_EMIT inputRefused(reason);
}

QString CardEdit::admit(const QString& text, bool overwriting) {
    // A deck of a code page that cannot hold what comes may become a Unicode deck, once.
    if (!m_characterSet.isUnicode() && m_holdAnyText) {
        const QString leftOut = m_characterSet.convertInput(withPlainBreaks(text)).leftOut;
        if (!leftOut.isEmpty()) {
            const int anchor = textCursor().anchor();
            const int position = textCursor().position();
            if (m_holdAnyText(leftOut)) {
                // The body came back converted: the cursor goes back where it was.
                const int end = static_cast<int>(document()->characterCount()) - 1;
                QTextCursor cursor = textCursor();
                cursor.setPosition(std::clamp(anchor, 0, end));
                cursor.setPosition(std::clamp(position, 0, end), QTextCursor::KeepAnchor);
                setTextCursor(cursor);
                return admit(text, overwriting);
            }
        }
    }
    int left = room(overwriting);
    QString out;
    QString leftOut;
    bool cut = false;
    // Each line as the set stores it (its own characters, a base with marks, a best fit); the
    // breaks as breaks. What does not fit is cut between characters.
    const QStringList lines = withPlainBreaks(text).split(u'\n');
    for (qsizetype i = 0; i < lines.size() && !cut; ++i) {
        if (i > 0) {
            if (m_body.insertedSize(u"\n") > left) {
                cut = true;
                break;
            }
            left -= m_body.insertedSize(u"\n");
            out += u'\n';
        }
        const CharacterSet::Converted line = m_characterSet.convertInput(lines[i]);
        for (QChar c : line.leftOut) {
            if (!leftOut.contains(c))
                leftOut += c;
        }
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, line.stored);
        qsizetype start = 0;
        for (qsizetype end = clusters.toNextBoundary(); end > start;
             start = end, end = clusters.toNextBoundary()) {
            const QString cluster = line.stored.mid(start, end - start);
            const int size = m_body.insertedSize(cluster);
            if (size > left) {
                cut = true;
                break;
            }
            left -= size;
            out += cluster;
        }
    }
    if (cut)
        refuse(InputHints::tooLong(m_characterSet));
    else if (!leftOut.isEmpty())
        refuse(InputHints::notInCodePage(m_characterSet, leftOut));
    return out;
}

void CardEdit::insertTyped(const QString& text) {
    QTextCursor cursor = textCursor();
    if (overwriteMode() && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.deleteChar();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CardEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;

    // The Insert key of the cursor block, first press only, without Shift, Ctrl or Alt.
    if (key == Qt::Key_Insert && !event->isAutoRepeat() &&
        !(mods &
          (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier))) {
        setOverwriteMode(!overwriteMode());
        Q_EMIT overwriteTypingChanged(overwriteMode());
    }

    // Shift+F10 opens the card menu, as the Menu key does.
    if (key == Qt::Key_F10 && mods == Qt::ShiftModifier) {
        event->accept();
        Q_EMIT cardMenuRequested(viewport()->mapToGlobal(cursorRect().bottomLeft()));
        return;
    }

    // Ctrl with a letter edits or jumps, by the table of chordOf: the editor's own other Ctrl
    // bindings (delete to the end of the line, ...) never touch the card. Ctrl+Enter stands
    // for Ctrl+J.
    if (ctrl && !alt && ((key >= Qt::Key_A && key <= Qt::Key_Z) || enter)) {
        event->accept();
        switch (enter ? Chord::Jump : chordOf(key, mods)) {
        case Chord::Copy:
            copy();
            break;
        case Chord::Cut:
            cut();
            break;
        case Chord::Paste:
            paste(); // through the gate, as every paste
            break;
        case Chord::Undo:
            undo();
            break;
        case Chord::Redo:
            redo();
            break;
        case Chord::SelectAll:
            selectAll();
            break;
        case Chord::Save:
            event->ignore(); // the window's Save
            break;
        case Chord::Jump:
            Q_EMIT jumpRequested(enter ? 'j' : static_cast<char>('a' + (key - Qt::Key_A)));
            break;
        }
        return;
    }

    if (enter) {
        if (room(false) < m_body.insertedSize(u"\n")) {
            refuse(InputHints::tooLong(m_characterSet));
            event->accept();
            return;
        }
    } else if (typesText(event)) {
#ifndef Q_OS_MACOS
        // Alt with a letter belongs to the menus, as on the system the program comes from;
        // it never types into the card.
        if (alt && !ctrl) {
            event->ignore();
            return;
        }
#endif
        const QString text = event->text();
        const QString allowed = admit(text, overwriteMode());
        if (allowed != text) {
            if (!allowed.isEmpty())
                insertTyped(allowed);
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

CardEdit::Chord CardEdit::chordOf(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier))
        return key == Qt::Key_Z ? Chord::Redo : Chord::Jump;
    if (mods != Qt::ControlModifier)
        return Chord::Jump;
    switch (key) {
    case Qt::Key_C:
        return Chord::Copy;
    case Qt::Key_X:
        return Chord::Cut;
    case Qt::Key_V:
        return Chord::Paste;
    case Qt::Key_Z:
        return Chord::Undo;
    case Qt::Key_A:
        return Chord::SelectAll;
    case Qt::Key_S:
        return Chord::Save;
    default:
        return Chord::Jump;
    }
}

void CardEdit::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(cursorRect().bottomLeft());
    event->accept();
    Q_EMIT cardMenuRequested(at);
}

bool CardEdit::canInsertFromMimeData(const QMimeData* source) const {
    // A dropped file opens in the program; its name never goes into a card.
    for (const QUrl& url : source->urls()) {
        if (url.isLocalFile())
            return false;
    }
    return source->hasText();
}

void CardEdit::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source))
        return;
    const QString text = admit(source->text(), false);
    if (!text.isEmpty())
        textCursor().insertText(text);
    ensureCursorVisible();
}

void CardEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        const QString allowed = admit(commit, overwriteMode());
        if (allowed != commit) {
            QInputMethodEvent filtered(event->preeditString(), event->attributes());
            filtered.setCommitString(allowed, event->replacementStart(),
                                     event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&filtered);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CardEdit::onContentsChange(int position, int, int added) {
    if (!m_loading)
        m_body.follow(editorText(), position, added);
}

void CardEdit::onContentsChanged() {
    if (m_loading)
        return;
    const auto bytes = m_body.toBytes();
    if (!bytes || m_body.storedSize() > Card::MaxBodyLength ||
        static_cast<std::size_t>(bytes->size()) > Card::MaxBodyBytes) {
        // The gate lets nothing through that a card cannot hold; should anything ever get
        // past it, the card keeps the text it has, and the user is told.
        const QByteArray keep = m_stored;
        setBody(std::string_view(keep.constData(), static_cast<std::size_t>(keep.size())));
        refuse(bytes ? InputHints::tooLong(m_characterSet)
                     : InputHints::notInCodePage(m_characterSet, QString()));
        return;
    }
    if (*bytes != m_stored) {
        m_stored = *bytes;
        Q_EMIT edited();
    }
}
