#pragma once

#include <QStatusBar>
#include <QTimer>

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

private:
    QLabel* addPane(const QString& widest);
    void setCountText(const QString& text);

    QLabel* m_message;
    QLabel* m_count;
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_ovr;
    QTimer m_messageTimer;
    int m_countWidth = 0;
};
