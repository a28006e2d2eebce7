#include "CardWindow.h"

#include "CardButton.h"
#include "CardEdit.h"
#include "CommandTable.h"
#include "deck/Cp1252.h"
#include "deck/Deck.h"

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

CardWindow::CardWindow(Deck& deck, bool withMail, QWidget* parent)
    : QWidget(parent)
    , m_deck(deck) {
    setFixedSize(Width, Height);
    setAttribute(Qt::WA_OpaquePaintEvent);

    // The strip is built from the right: Print, Mail (when mail can be sent), Previous, Next.
    int left = 370;
    m_print =
        addButton(Cmd::PrintButton, ":/pictures/print.svg", "Print the front most card", left);
    if (withMail) {
        left -= 25;
        m_mail =
            addButton(Cmd::MailButton, ":/pictures/mail.svg", "Email the front most card", left);
    }
    left -= 25;
    m_previous = addButton(Cmd::PreviousCard, ":/pictures/previous.svg",
                           "Bring previous card to front", left);
    left -= 25;
    m_next = addButton(Cmd::NextCard, ":/pictures/next.svg", "Bring next card to front", left);
    m_tooltipRight = left + 25;

    m_editor = new CardEdit(this);
    // (1, 26)-(399, 199) of the client area, which ends at 398 x 198.
    m_editor->setGeometry(client(1, 26, 398, 198));
    connect(m_editor, &CardEdit::edited, this, &CardWindow::StoreBody);
    m_editor->show();
    m_editor->setFocus();
}

CardButton* CardWindow::addButton(int id, const char* picture, const char* text, int left) {
    auto* b = new CardButton(id, QString::fromLatin1(picture), QString::fromLatin1(text), this);
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
    m_deck.card(0).setBody(
        std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
}

void CardWindow::relabel() {
    update(0, 0, Width, HeaderHeight + 2);
    if (!m_deck.isEmpty())
        m_editor->setBody(m_deck.card(0).bodyText());
}

QString CardWindow::headerText(const QByteArray& index) {
    if (index.size() > LongestShownIndex)
        return Cp1252::decode(std::string_view(index.constData(), LongestShownIndex)) +
               QStringLiteral("...");
    return Cp1252::decode(
        std::string_view(index.constData(), static_cast<std::size_t>(index.size())));
}

void CardWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setClipRect(rect().adjusted(Border, Border, -Border, -Border));

    // Button face behind the index and right of the strip; the buttons cover the rest.
    const int faceRight = hasMail() ? 295 : 320;
    p.fillRect(client(395, 0, 400, HeaderHeight), face);
    p.fillRect(client(0, 0, faceRight, HeaderHeight), face);
    // A raised frame: white top and left, dark grey right and bottom.
    const QRect band = client(0, 0, 400, HeaderHeight);
    p.setPen(Qt::white);
    p.drawLine(band.topLeft(), band.topRight());
    p.drawLine(band.topLeft(), band.bottomLeft());
    p.setPen(QColor(0x5A, 0x5A, 0x5A));
    p.drawLine(band.bottomLeft(), band.bottomRight());
    p.drawLine(band.topRight(), band.bottomRight());

    if (m_deck.isEmpty())
        return;
    const std::string_view index = m_deck.card(0).indexText();
    p.setClipRect(client(0, 0, IndexClipRight, HeaderHeight));
    p.setPen(palette().color(QPalette::ButtonText));
    p.setFont(font());
    p.drawText(client(2, 2, IndexClipRight, HeaderHeight), Qt::AlignLeft | Qt::AlignTop,
               headerText(QByteArray(index.data(), static_cast<qsizetype>(index.size()))));
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
        if (client(0, 0, m_tooltipRight, HeaderHeight).contains(help->pos()) && !m_deck.isEmpty())
            // Deck text is data: a tooltip would take an index such as <img src=...> for rich
            // text and load what it names, so it is given as escaped plain text.
            QToolTip::showText(help->globalPos(),
                               Qt::convertFromPlainText(Cp1252::decode(m_deck.card(0).indexText()),
                                                        Qt::WhiteSpaceNoWrap),
                               this, client(0, 0, m_tooltipRight, HeaderHeight));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
