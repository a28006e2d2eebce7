#pragma once

#include <QValidator>

// Accepts texts that fit a card field: at most the given number of Windows-1252 bytes, and no
// character the code page cannot hold.
class Cp1252Validator : public QValidator {
    Q_OBJECT
public:
    Cp1252Validator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    int m_maxBytes;
};
