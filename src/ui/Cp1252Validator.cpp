#include "Cp1252Validator.h"

#include "deck/Cp1252.h"

#include <algorithm>

Cp1252Validator::Cp1252Validator(int maxBytes, QObject* parent)
    : QValidator(parent)
    , m_maxBytes(maxBytes) {}

QValidator::State Cp1252Validator::validate(QString& input, int&) const {
    if (input.size() > m_maxBytes)
        return Invalid;
    return std::all_of(input.cbegin(), input.cend(), Cp1252::canEncode) ? Acceptable : Invalid;
}
