#include "DeckStatusBar.h"

#include "LockKeys.h"
#include "SizeGripNames.h"

#include <QApplication>
#include <QLabel>

namespace {
const QString Ready = QStringLiteral("Ready");
}

DeckStatusBar::DeckStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_message(new QLabel(Ready, this)) {
    setSizeGripEnabled(true);
    nameSizeGrips(this);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setMinimumWidth(0);
    m_message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(m_message, 1);
    m_count = addPane(QStringLiteral("999 Cards"), QString());
    m_countWidth = m_count->width();
    m_count->setText(QStringLiteral("0 Cards"));
    m_caps = addPane(QStringLiteral("CAPS"), QStringLiteral("Caps Lock off"));
    m_num = addPane(QStringLiteral("NUM"), QStringLiteral("Num Lock off"));
    m_ovr = addPane(QStringLiteral("OVR"), QStringLiteral("Overwrite off"));
    m_announcer = new Announcer(this);
    m_countSaid.setSingleShot(true);
    m_countSaid.setInterval(600);
    connect(&m_countSaid, &QTimer::timeout, this, [this] { m_announcer->say(m_count->text()); });

    m_messageTimer.setSingleShot(true);
    m_messageTimer.setInterval(5000);
    connect(&m_messageTimer, &QTimer::timeout, this, [this] { m_message->setText(Ready); });
}

QLabel* DeckStatusBar::addPane(const QString& widest, const QString& name) {
    auto* pane = new QLabel(this);
    pane->setAccessibleName(name);
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
    // The filter cleared: the whole count is said once.
    if (std::exchange(m_filtered, false))
        m_countSaid.start();
    setCountText(QStringLiteral("%1 Cards").arg(count));
}

void DeckStatusBar::setCardCount(int shown, int count) {
    const QString text =
        QStringLiteral("%1 of %2 Cards").arg(QString::number(shown), QString::number(count));
    if (text != m_count->text())
        m_countSaid.start();
    m_filtered = true;
    setCountText(text);
}

void DeckStatusBar::setCountText(const QString& text) {
    if (m_count->text() == text)
        return;
    m_count->setText(text);
    // Sized for "999 Cards", and wider for a text that needs it.
    m_count->setFixedWidth(std::max(m_countWidth, fontMetrics().horizontalAdvance(text) + 12));
}

void DeckStatusBar::setIndicators(bool caps, bool num, bool overwrite) {
    setIndicator(m_caps, QStringLiteral("Caps Lock"), QStringLiteral("CAPS"), caps);
    setIndicator(m_num, QStringLiteral("Num Lock"), QStringLiteral("NUM"), num);
    const bool was = !m_ovr->text().isEmpty();
    setIndicator(m_ovr, QStringLiteral("Overwrite"), QStringLiteral("OVR"), overwrite);
    // The lock keys' own changes are the desktop's to say; overwrite typing is Quorix's.
    if (was != overwrite)
        m_announcer->say(m_ovr->accessibleName());
}

void DeckStatusBar::setIndicator(QLabel* pane, const QString& name, const QString& text, bool on) {
    pane->setText(on ? text : QString());
    // Only a change: readers hear every new name.
    const QString said = name + (on ? QStringLiteral(" on") : QStringLiteral(" off"));
    if (pane->accessibleName() != said)
        pane->setAccessibleName(said);
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
