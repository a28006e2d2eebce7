#include "CardWindow.h"

#include "CardButton.h"
#include "CardColors.h"
#include "CardEdit.h"
#include "CommandTable.h"
#include "ReadingDirection.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>

namespace {

// Client coordinates start inside the one-pixel border.
constexpr int Border = 1;

QRect client(int left, int top, int right, int bottom) {
    return QRect(QPoint(left + Border, top + Border),
                 QPoint(right - 1 + Border, bottom - 1 + Border));
}

} // namespace

CardWindow::CardWindow(Deck& deck, const CharacterSet& characterSet, bool withMail, QWidget* parent)
    : QWidget(parent)
    , m_deck(deck)
    , m_characterSet(characterSet) {
    setFixedSize(Width, Height);
    setAttribute(Qt::WA_OpaquePaintEvent);

    // The strip ends at the right: Next, Previous, Mail (when mail can be sent), Print. They
    // are made from left to right, the order in which screen readers read them.
    int left = 370 - 25 * (withMail ? 3 : 2);
    m_tooltipRight = left + 25;
    m_next = addButton(Cmd::NextCard, ":/pictures/next.svg", "Bring next card to front",
                       "Ctrl+Page Down", left);
    m_previous = addButton(Cmd::PreviousCard, ":/pictures/previous.svg",
                           "Bring previous card to front", "Ctrl+Page Up", left += 25);
    if (withMail)
        m_mail = addButton(Cmd::MailButton, ":/pictures/mail.svg", "Email the front most card",
                           nullptr, left += 25);
    m_print = addButton(Cmd::PrintButton, ":/pictures/print.svg", "Print the front most card",
                        nullptr, left += 25);

    m_editor = new CardEdit(characterSet, this);
    // (1, 26) of the client area on, one pixel short of its right and bottom edges: under a
    // fractional scale factor the editor's rounded edge would otherwise cover the border.
    m_editor->setGeometry(client(1, 26, 397, 197));
    connect(m_editor, &CardEdit::edited, this, &CardWindow::StoreBody);
    m_editor->show();
    m_editor->setFocus();
}

CardButton* CardWindow::addButton(int id, const char* picture, const char* text, const char* key,
                                  int left) {
    auto* b = new CardButton(id, QString::fromLatin1(picture), QString::fromLatin1(text),
                             key ? QString::fromLatin1(key) : QString(), this);
    b->move(left + Border, Border);
    connect(b, &CardButton::commandRequested, this, &CardWindow::commandRequested);
    connect(b, &CardButton::hovered, this, &CardWindow::hovered);
    return b;
}

CardButton* CardWindow::button(int commandId) const {
    for (CardButton* b : {m_print, m_mail, m_previous, m_next}) {
        if (b && b->commandId() == commandId)
            return b;
    }
    return nullptr;
}

void CardWindow::StoreBody() {
    if (m_deck.isEmpty())
        return;
    const QByteArray& body = m_editor->storedBody();
    m_deck.setBody(0, std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
}

void CardWindow::relabel(bool anotherCard, bool reread) {
    update(0, 0, Width, HeaderHeight + 2);
    if (m_deck.isEmpty())
        return;
    const std::string_view body = m_deck.card(0).bodyText();
    const QByteArray& shown = m_editor->storedBody();
    const bool differs =
        body != std::string_view(shown.constData(), static_cast<std::size_t>(shown.size()));
    if (anotherCard)
        m_editor->setBody(body);
    else if (differs && reread)
        m_editor->reloadBody(body);
    else if (differs)
        m_editor->setBody(body);
    // A screen reader names the card and its body by the index.
    const QString index = m_characterSet.decode(m_deck.card(0).indexText());
    if (accessibleName() != index) { // readers hear every new name
        setAccessibleName(index);
        m_editor->setAccessibleName(index);
    }
    if (anotherCard && m_editor->hasFocus()) {
        // Another card is another object to a screen reader: the body comes forward as a new
        // text with the keyboard, which readers announce by its name (the index) and its text.
        // A changed name alone is not spoken.
        if (QAccessibleInterface* was = QAccessible::queryAccessibleInterface(m_editor))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(was));
        QAccessibleEvent focus(m_editor, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

QString CardWindow::headerText(std::string_view index) const {
    if (index.size() > LongestShownIndex)
        return m_characterSet.decode(m_characterSet.cut(index, LongestShownIndex)) +
               QStringLiteral("...");
    return m_characterSet.decode(index);
}

void CardWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const CardColors colors = CardColors::from(palette());
    p.fillRect(rect(), colors.face);
    p.save();
    p.setClipRect(rect().adjusted(Border, Border, -Border, -Border));

    // Button face behind the index and right of the strip; the buttons cover the rest.
    const int faceRight = hasMail() ? 295 : 320;
    p.fillRect(client(395, 0, 400, HeaderHeight), colors.headerFace);
    p.fillRect(client(0, 0, faceRight, HeaderHeight), colors.headerFace);
    // A raised frame: light top and left, dark right and bottom.
    const QRect band = client(0, 0, 400, HeaderHeight);
    p.setPen(CardColors::line(colors.light, devicePixelRatioF()));
    p.drawLine(band.topLeft(), band.topRight());
    p.drawLine(band.topLeft(), band.bottomLeft());
    p.setPen(CardColors::line(colors.shadow, devicePixelRatioF()));
    p.drawLine(band.bottomLeft(), band.bottomRight());
    p.drawLine(band.topRight(), band.bottomRight());

    if (!m_deck.isEmpty()) {
        p.setClipRect(client(0, 0, IndexClipRight, HeaderHeight));
        p.setPen(colors.headerInk);
        p.setFont(font());
        const QString index = shownIndex();
        p.drawText(indexTextRect(), ReadingDirection::drawFlags(index) | Qt::AlignTop, index);
    }
    p.restore();
    // The border last, over anything that a fractional scale factor rounded onto it.
    p.setPen(CardColors::line(colors.border, devicePixelRatioF()));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

QString CardWindow::shownIndex() const {
    if (m_deck.isEmpty())
        return {};
    return headerText(m_deck.card(0).indexText());
}

QRect CardWindow::indexTextRect() const {
    return client(2, 2, IndexClipRight, HeaderHeight);
}

QRect CardWindow::tooltipArea() const {
    // Only over the index itself: the buttons have tips of their own.
    const QRect text = indexTextRect();
    const QString index = shownIndex();
    const int width = std::min(fontMetrics().horizontalAdvance(index), text.width());
    const int left = index.isRightToLeft() ? text.right() + 1 - width : text.left();
    return QRect(left, text.top(), width, fontMetrics().height());
}

void CardWindow::mousePressEvent(QMouseEvent* event) {
    // The front card takes every click on it: passed on, the cascade behind would take it
    // for a click on the card that lies under the point.
    event->accept();
}

void CardWindow::mouseReleaseEvent(QMouseEvent* event) {
    // Only the uncovered parts of the header reach here: the editor and the buttons take
    // their own clicks.
    event->accept();
    if (event->button() == Qt::LeftButton && event->position().y() < HeaderHeight + 2 * Border)
        Q_EMIT headerClicked();
}

bool CardWindow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (tooltipArea().contains(help->pos()) && !m_deck.isEmpty())
            // Deck text is data: a tooltip would take an index such as <img src=...> for rich
            // text and load what it names, so it is given as escaped plain text.
            QToolTip::showText(
                help->globalPos(),
                Qt::convertFromPlainText(m_characterSet.decode(m_deck.card(0).indexText()),
                                         Qt::WhiteSpaceNoWrap),
                this, tooltipArea());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
