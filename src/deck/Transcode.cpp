#include "Transcode.h"

namespace Transcode {

namespace {

// One text in the other set, at most max as that set counts; false when something was lost.
bool convert(std::string_view text, const CharacterSet& from, const CharacterSet& to, int max,
             QByteArray& out) {
    const QString shown = from.decode(text);
    QByteArray whole;
    bool all = true;
    if (to.isUnicode()) {
        // Every character a code page holds has its code point, control characters included.
        whole = shown.normalized(QString::NormalizationForm_C).toUtf8();
    } else {
        CharacterSet::Converted c = to.convertInput(shown);
        whole = std::move(c.bytes);
        all = c.leftOut.isEmpty();
    }
    out = to.cut(whole, max);
    return all && out.size() == whole.size();
}

} // namespace

Result cards(const std::vector<const Card*>& cards, const CharacterSet& from,
             const CharacterSet& to) {
    Result result;
    QByteArray index, body;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const Card& card = *cards[i];
        // Both texts are converted, whatever the first lost.
        const bool indexWhole = convert(card.indexText(), from, to, Card::MaxIndexLength, index);
        const bool bodyWhole = convert(card.bodyText(), from, to, Card::MaxBodyLength, body);
        if (!indexWhole || !bodyWhole)
            result.lossy.push_back(static_cast<int>(i));
        result.cards.append(
            std::string_view(index.constData(), static_cast<std::size_t>(index.size())),
            std::string_view(body.constData(), static_cast<std::size_t>(body.size())), card.tag());
    }
    return result;
}

} // namespace Transcode
