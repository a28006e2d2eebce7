#include "CardTextValidator.h"

#include "InputHints.h"
#include "deck/CharacterSet.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

namespace {

bool isBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

CardTextValidator::CardTextValidator(const CharacterSet& characterSet, int maxBytes,
                                     const char* what, QObject* parent)
    : QValidator(parent)
    , m_characterSet(characterSet)
    , m_maxBytes(maxBytes)
    , m_what(what) {}

void CardTextValidator::tell(const QString& reason) const {
    QApplication::beep();
    if (auto* box = qobject_cast<QWidget*>(parent()); box && box->isVisible())
        QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), reason, box);
    Q_EMIT refused(reason);
}

QValidator::State CardTextValidator::validate(QString& input, int& pos) const {
    // The box never holds a break, so a break belongs to text just put in, which ends before
    // the cursor: the inserted text ends at its first break.
    const auto firstBreak = std::find_if(input.cbegin(), input.cend(), isBreak) - input.cbegin();
    if (firstBreak < input.size()) {
        if (firstBreak < pos) {
            input.remove(firstBreak, pos - firstBreak);
            pos = static_cast<int>(firstBreak);
        } else {
            input.truncate(firstBreak);
        }
    }
    // Text before the cursor holds what was just put in; each side is stored as the set
    // stores typed text, control characters left out without a word.
    const auto converted = [this](QString text) {
        text.removeIf([](QChar c) { return c.unicode() < 0x20 || isBreak(c); });
        return m_characterSet.convertInput(text);
    };
    if (!m_characterSet.isUnicode() && m_holdAnyText) {
        const QString leftOut = converted(input).leftOut;
        if (!leftOut.isEmpty())
            m_holdAnyText(leftOut); // the set may now be Unicode
    }
    const CharacterSet::Converted before = converted(input.left(pos));
    const CharacterSet::Converted after = converted(input.mid(pos));
    QString leftOut = before.leftOut;
    for (QChar c : after.leftOut) {
        if (!leftOut.contains(c))
            leftOut += c;
    }
    // What does not fit goes from the end of the text just put in, which ends at the cursor.
    const QString rest = m_characterSet.fit(after.stored, m_maxBytes);
    const QString kept =
        m_characterSet.fit(before.stored, m_maxBytes - m_characterSet.measure(rest));
    const bool cut = kept.size() < before.stored.size() || rest.size() < after.stored.size();
    input = kept + rest;
    pos = static_cast<int>(kept.size());
    if (cut)
        tell(InputHints::limit(m_characterSet, m_what, m_maxBytes));
    else if (!leftOut.isEmpty())
        tell(InputHints::notInCodePage(m_characterSet, leftOut));
    return Acceptable;
}
