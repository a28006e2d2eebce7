#include "DeckStatusBar.h"

#include "LockKeys.h"

#include <QApplication>
#include <QLabel>

namespace {
const QString Ready = QStringLiteral("Ready");
}

DeckStatusBar::DeckStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_message(new QLabel(Ready, this)) {
    setSizeGripEnabled(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setMinimumWidth(0);
    m_message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(m_message, 1);
    m_count = addPane(QStringLiteral("999 Cards"));
    m_countWidth = m_count->width();
    m_count->setText(QStringLiteral("0 Cards"));
    m_caps = addPane(QStringLiteral("CAPS"));
    m_num = addPane(QStringLiteral("NUM"));
    m_ovr = addPane(QStringLiteral("OVR"));

    m_messageTimer.setSingleShot(true);
    m_messageTimer.setInterval(5000);
    connect(&m_messageTimer, &QTimer::timeout, this, [this] { m_message->setText(Ready); });
}

QLabel* DeckStatusBar::addPane(const QString& widest) {
    auto* pane = new QLabel(this);
    pane->setTextFormat(Qt::PlainText);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    pane->setFixedWidth(fontMetrics().horizontalAdvance(widest) + 12);
    addPermanentWidget(pane);
    return pane;
}

QString DeckStatusBar::messageText() const {
    return m_message->text();
}

QString DeckStatusBar::countText() const {
    return m_count->text();
}

QString DeckStatusBar::indicatorText(int pane) const {
    switch (pane) {
    case 2:
        return m_caps->text();
    case 3:
        return m_num->text();
    case 4:
        return m_ovr->text();
    default:
        return {};
    }
}

void DeckStatusBar::ShowStatusMessage(const QString& text) {
    m_message->setText(text);
    m_messageTimer.start();
}

void DeckStatusBar::showPrompt(const QString& text) {
    m_message->setText(text.isEmpty() ? Ready : text);
}

void DeckStatusBar::setCardCount(int count) {
    setCountText(QStringLiteral("%1 Cards").arg(count));
}

void DeckStatusBar::setCardCount(int shown, int count) {
    setCountText(
        QStringLiteral("%1 of %2 Cards").arg(QString::number(shown), QString::number(count)));
}

void DeckStatusBar::setCountText(const QString& text) {
    if (m_count->text() == text)
        return;
    m_count->setText(text);
    // Sized for "999 Cards", and wider for a text that needs it.
    m_count->setFixedWidth(std::max(m_countWidth, fontMetrics().horizontalAdvance(text) + 12));
}

void DeckStatusBar::setIndicators(bool caps, bool num, bool overwrite) {
    m_caps->setText(caps ? QStringLiteral("CAPS") : QString());
    m_num->setText(num ? QStringLiteral("NUM") : QString());
    m_ovr->setText(overwrite ? QStringLiteral("OVR") : QString());
}

void DeckStatusBar::follow(Sources sources) {
    m_sources = std::move(sources);
    m_countTimer.setInterval(500);
    connect(&m_countTimer, &QTimer::timeout, this, &DeckStatusBar::refresh, Qt::UniqueConnection);
    m_countTimer.start();
    qApp->installEventFilter(this);
    refresh();
}

void DeckStatusBar::refresh() {
    if (!m_sources.shownAndTotal)
        return;
    const auto [shown, total] = m_sources.shownAndTotal();
    if (shown < 0)
        setCardCount(total);
    else
        setCardCount(shown, total);
    const LockKeys::State keys = LockKeys::read();
    setIndicators(keys.caps, keys.num, m_sources.overwriteTyping && m_sources.overwriteTyping());
}

bool DeckStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease)
        refresh();
    return QStatusBar::eventFilter(watched, event);
}
