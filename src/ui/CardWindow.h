#pragma once

#include <QWidget>

class CardButton;
class CardEdit;
class CharacterSet;
class Deck;

// The front card of the cascade: its header with the index and the button strip, and the body
// editor. It always shows card 0 of the deck; rotating the deck reloads it, never moves it.
class CardWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int Width = 400;
    static constexpr int Height = 200;
    static constexpr int HeaderHeight = 25;
    static constexpr int IndexClipRight = 285;
    static constexpr int LongestShownIndex = 32;

    CardWindow(Deck& deck, const CharacterSet& characterSet, bool withMail, QWidget* parent);

    CardEdit* editor() const { return m_editor; }
    bool hasMail() const { return m_mail != nullptr; }
    CardButton* button(int commandId) const;
    // The right edge of the header strip left of the buttons (client coordinates).
    int tooltipRight() const { return m_tooltipRight; }
    // Where the index is drawn, and the part of it that shows the whole index as a tooltip.
    QRect indexTextRect() const;
    QRect tooltipArea() const;

    // Copies the editor's text into card 0.
    void StoreBody();
    // Redraws the header from card 0 and loads its body into the editor: always when another
    // card came to the front, and otherwise only when the card's body is not what the editor
    // shows (a Restore Card, the card read again from its file), so that the user's own typing
    // keeps its undo steps. A card read again keeps the cursor where it was.
    void relabel(bool anotherCard, bool reread = false);
    // The index as the header shows it: cut to 32 characters and "...".
    QString headerText(std::string_view index) const;

Q_SIGNALS:
    void headerClicked();
    void commandRequested(int id);
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString shownIndex() const;
    CardButton* addButton(int id, const char* picture, const char* text, const char* key, int left);

    Deck& m_deck;
    const CharacterSet& m_characterSet;
    CardEdit* m_editor;
    CardButton* m_print;
    CardButton* m_mail = nullptr;
    CardButton* m_previous;
    CardButton* m_next;
    int m_tooltipRight;
};
