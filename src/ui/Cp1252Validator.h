#pragma once

#include <QValidator>

// Keeps a one-line box (an index, a text to find) to what a card field holds: at most the
// given number of Windows-1252 bytes, one line, no control characters. A pasted line break
// ends the pasted text there; characters the code page cannot hold are left out, and the box
// says so.
class Cp1252Validator : public QValidator {
    Q_OBJECT
public:
    Cp1252Validator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    int m_maxBytes;
};
