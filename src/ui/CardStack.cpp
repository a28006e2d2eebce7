#include "CardStack.h"

#include "CardColors.h"
#include "CardEdit.h"
#include "CardStackAccessible.h"
#include "CardWindow.h"
#include "ReadingDirection.h"
#include "deck/CharacterSet.h"
#include "output/Mail.h"
#include "session/DeckSession.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>

CardStack::CardStack(DeckSession& session, QWidget* parent)
    : QWidget(parent)
    , m_deck(session.deck())
    , m_characterSet(session.characterSet()) {
    // Before anything can ask for this widget's accessible interface.
    CardStackAccessible::install();
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    // The front card is always whole: the window can grow no smaller than it.
    setMinimumSize(CardWindow::Width, CardWindow::Height);
    setAccessibleName(QStringLiteral("Cards"));
    connect(this, &CardStack::cardClicked, &session,
            [&session](int k) { session.commands().bringToFront(k); });
    m_holdAnyText = [&session](const QString& leftOut) {
        return session.characterSets().holdAnyText(leftOut);
    };
    // Another character set: every card is shown again in it.
    connect(&session, &DeckSession::characterSetChanged, this, [this] { RelabelCards(); });
    connect(&session, &DeckSession::deckChanged, this, [this](DeckChanges changes) {
        // Tags are not shown on the cards.
        if (changes & ~DeckChanges(DeckChange::Tags))
            RelabelCards(changes);
    });
}

QRect CardStack::cardRect(int k) const {
    return QRect(Step * k, height() - CardWindow::Height - Step * k, CardWindow::Width,
                 CardWindow::Height);
}

QSize CardStack::sizeHint() const {
    return QSize(CardWindow::Width + 3 * Step, CardWindow::Height + 3 * Step);
}

int CardStack::visibleBackCards() const {
    // Card k shows while its bottom edge lies below the top of the area and its left edge
    // left of the right edge.
    const int byHeight = (height() - 1) / Step;
    const int byWidth = (width() - 1) / Step;
    const int cards = std::min(byHeight, byWidth);
    return std::max(0, std::min(cards, m_deck.count() - 1));
}

int CardStack::backCardAt(const QPoint& point) const {
    // The nearest card lies on top, so the first hit counting from the front wins; the front
    // card covers every card behind it.
    if (cardRect(0).contains(point))
        return -1;
    const int last = visibleBackCards();
    for (int k = std::max(1, (point.x() - CardWindow::Width) / Step); k <= last; ++k) {
        if (cardRect(k).contains(point))
            return k;
    }
    return -1;
}

void CardStack::RelabelCards(DeckChanges changes) {
    if (m_deck.isEmpty()) {
        // Later, not now: the front card may be in the middle of one of its own events.
        if (m_front) {
            m_front->hide();
            m_front->deleteLater();
        }
        m_front = nullptr;
        update();
        return;
    }
    bool created = false;
    if (!m_front) {
        m_front = new CardWindow(m_deck, m_characterSet, IsMailAvailable(), this);
        m_front->editor()->setOverwriteTyping(m_overwrite);
        m_front->editor()->setHoldAnyText(m_holdAnyText);
        connect(m_front->editor(), &CardEdit::overwriteTypingChanged, this, [this](bool on) {
            m_overwrite = on;
            Q_EMIT overwriteTypingChanged(on);
        });
        LayoutCardWindows();
        m_front->show();
        created = true;
        Q_EMIT frontCardCreated(m_front);
    }
    // A deck read again from its file keeps its front card: the user goes on typing there.
    const bool reread = changes & DeckChange::Reread;
    m_front->relabel(created || (!reread && (changes & (DeckChange::Front | DeckChange::Count))),
                     reread);
    update();
    // Every card's place may have changed: readers ask again.
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&changed);
    }
}

void CardStack::LayoutCardWindows() {
    if (m_front)
        m_front->move(cardRect(0).topLeft());
}

void CardStack::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutCardWindows();
    if (m_front)
        m_front->editor()->setFocus();
}

const QStaticText& CardStack::header(const QString& text, int width) {
    auto it = m_headers.find(text);
    if (it == m_headers.end()) {
        // Those of a few screens' worth of paints, not of every card ever shown.
        if (m_headers.size() > 4 * (visibleBackCards() + 1))
            m_headers.clear();
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        if (text.isRightToLeft()) {
            // Read from the right edge of the band.
            laidOut.setTextOption(ReadingDirection::option(Qt::RightToLeft));
            laidOut.setTextWidth(width);
        }
        laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
        it = m_headers.insert(text, laidOut);
    }
    return *it;
}

void CardStack::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const CardColors colors = CardColors::from(palette());
    // From the back to the front, so nearer cards cover those behind them. The next card
    // covers all of a card but its top band and its right edge, and everything nearer lies
    // within that card: only those two strips are filled and outlined.
    for (int k = visibleBackCards(); k >= 1; --k) {
        const QRect card = cardRect(k);
        if (!event->rect().intersects(card))
            continue;
        const int left = card.left(), top = card.top(), right = card.right(),
                  bottom = card.bottom();
        p.fillRect(QRect(left, top, card.width(), Step), colors.face);
        p.fillRect(QRect(right + 1 - Step, top + Step, Step, card.height() - Step), colors.face);
        p.setPen(CardColors::line(colors.border, devicePixelRatioF()));
        const QLine outline[] = {{left, top, right, top},
                                 {left, top, left, top + Step - 1},
                                 {right, top, right, bottom},
                                 {right + 1 - Step, bottom, right, bottom}};
        p.drawLines(outline, 4);
        // The rule under the header band, where it shows.
        const QRect band(left + 1, top + 1, CardWindow::Width - 2, CardWindow::HeaderHeight);
        p.setPen(CardColors::line(colors.rule, devicePixelRatioF()));
        p.drawLine(std::max(band.left(), right + 1 - Step), band.bottom() + 1, band.right(),
                   band.bottom() + 1);
        p.setPen(colors.ink);
        const QRect textArea(band.left() + 2, band.top() + 2, band.width() - 2, band.height() - 2);
        // A right-to-left index keeps the same margin from the right edge.
        const QStaticText& text =
            header(m_characterSet.decode(m_deck.card(k).indexText()), textArea.width() - 3);
        // A text wider than the band is cut at its edge, as the card shows it.
        const bool tooWide = text.size().width() > textArea.width() || text.textWidth() > 0;
        if (tooWide) {
            p.save();
            p.setClipRect(textArea, Qt::IntersectClip);
        }
        p.drawStaticText(textArea.topLeft(), text);
        if (tooWide)
            p.restore();
    }
}

void CardStack::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int k = backCardAt(event->position().toPoint());
        if (k >= 1)
            Q_EMIT cardClicked(k);
    }
    QWidget::mouseReleaseEvent(event);
}
