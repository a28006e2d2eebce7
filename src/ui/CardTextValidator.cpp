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
                                     const QString& tooLong, QObject* parent)
    : QValidator(parent)
    , m_characterSet(characterSet)
    , m_maxBytes(maxBytes)
    , m_tooLong(tooLong) {}

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
    bool foreign = false;
    for (qsizetype i = 0; i < input.size();) {
        const QChar c = input[i];
        const bool control = c.unicode() < 0x20 || isBreak(c);
        if (control || !m_characterSet.canEncode(c)) {
            foreign = foreign || !control;
            input.remove(i, 1);
            if (i < pos)
                --pos;
        } else {
            ++i;
        }
    }
    // What does not fit goes from the end of the text just put in, which ends at the cursor.
    bool cut = false;
    while (m_characterSet.byteLength(input) > m_maxBytes) {
        const qsizetype at = pos > 0 ? pos - 1 : input.size() - 1;
        input.remove(at, 1);
        if (at < pos)
            --pos;
        cut = true;
    }
    if (cut)
        tell(m_tooLong);
    else if (foreign)
        tell(InputHints::notInCodePage(m_characterSet));
    return Acceptable;
}
