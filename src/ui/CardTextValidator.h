#pragma once

#include <QValidator>

#include <functional>

class CharacterSet;

// Keeps a one-line box (an index, a text to find, the filter) to what a card field holds: at
// most the given number of bytes in the deck's character set, one line, no control
// characters, text stored as the set stores typed text. A pasted line break ends the pasted
// text there; characters the set cannot hold are left out, and so is the end of what was typed or
// pasted beyond the limit; the box says so, with a beep and a tip under it, and tells whoever
// listens.
class CardTextValidator : public QValidator {
    Q_OBJECT
public:
    // what: the box as the user is told about its limit ("An index").
    CardTextValidator(const CharacterSet& characterSet, int maxBytes, const char* what,
                      QObject* parent);
    State validate(QString& input, int& pos) const override;
    // Asked, in a deck of a code page, before text the set cannot hold (named) is left out:
    // true when the deck now holds any text. A box that searches asks nothing.
    void setHoldAnyText(std::function<bool(const QString&)> holdAnyText) {
        m_holdAnyText = std::move(holdAnyText);
    }

Q_SIGNALS:
    void refused(const QString& reason) const;

private:
    void tell(const QString& reason) const;

    const CharacterSet& m_characterSet;
    int m_maxBytes;
    const char* m_what;
    std::function<bool(const QString&)> m_holdAnyText;
};
