#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// The bar above the deck that offers another version of it to merge in: the deck's file as
// another program changed it, or a sync tool's conflict copy. It never takes the keyboard from
// the card; its buttons answer to Alt and their letter, and a screen reader hears it appear.
class ChangeBar : public QFrame {
    Q_OBJECT
public:
    explicit ChangeBar(QWidget* parent = nullptr);

    // Shows the bar saying text, or hides it for an empty text.
    void offer(const QString& text);
    QString text() const;
    QPushButton* mergeButton() const { return m_merge; }
    QPushButton* showTheirsButton() const { return m_showTheirs; }
    QPushButton* keepMineButton() const { return m_keepMine; }

Q_SIGNALS:
    void merge();
    void showTheirs();
    void keepMine();

private:
    QLabel* m_text;
    QPushButton* m_merge;
    QPushButton* m_showTheirs;
    QPushButton* m_keepMine;
};
