#pragma once

#include "Announcer.h"

#include <QStatusBar>
#include <QTimer>

#include <functional>

class QLabel;

// Five panes: messages ("Ready", menu prompts, transient texts), the card count, and the
// CAPS, NUM and OVR indicators.
class DeckStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit DeckStatusBar(QWidget* parent);

    QString messageText() const;
    QString countText() const;
    QString indicatorText(int pane) const; // 2 CAPS, 3 NUM, 4 OVR; empty while off

    // Pane 0 shows the text, and "Ready" again five seconds after the last call.
    void ShowStatusMessage(const QString& text);
    // Pane 0 for menu prompts: the text, or "Ready" when it is empty.
    void showPrompt(const QString& text);
    void setCardCount(int count);
    // While the list view's filter is set: "%d of %d Cards".
    void setCardCount(int shown, int count);
    void setIndicators(bool caps, bool num, bool overwrite);

    QTimer& messageTimer() { return m_messageTimer; }

    // Where the count and the OVR indicator come from: the count pane shows "%d Cards", or
    // "%d of %d Cards" while only some of them are shown (shown < 0: all). Both are read
    // again every half second, and the lock keys whenever a key is let go.
    struct Sources {
        std::function<std::pair<int, int>()> shownAndTotal;
        std::function<bool()> overwriteTyping;
    };
    void follow(Sources sources);
    // Reads the sources now.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addPane(const QString& widest, const QString& name);
    void setCountText(const QString& text);
    // A pane's text with its name and state for screen readers, which hear a change of it.
    void setIndicator(QLabel* pane, const QString& name, const QString& text, bool on);

    QLabel* m_message;
    QLabel* m_count;
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_ovr;
    QTimer m_messageTimer;
    QTimer m_countTimer;
    Sources m_sources;
    int m_countWidth = 0;
    Announcer* m_announcer;
    // A filtered count is said once typing in the filter pauses.
    QTimer m_countSaid;
    bool m_filtered = false;
};
