#pragma once

#include <QValidator>

class CharacterSet;

// Keeps a one-line box (an index, a text to find, the filter) to what a card field holds: at
// most the given number of bytes in the deck's character set, one line, no control
// characters. A pasted line break ends the pasted text there; characters the set cannot hold
// are left out, and the box says so.
class CardTextValidator : public QValidator {
    Q_OBJECT
public:
    CardTextValidator(const CharacterSet& characterSet, int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    const CharacterSet& m_characterSet;
    int m_maxBytes;
};
