#include "BodyText.h"

#include <algorithm>

namespace {

bool isCrFollowedByLf(const std::vector<BodyText::Break>& breaks, std::size_t i,
                      const QString& text, int at) {
    // A lone CR right before a lone LF would read back as one CR LF break: such a CR is stored
    // as CR LF, so the two breaks stay two.
    return breaks[i] == BodyText::Break::Cr && at + 1 < text.size() && text[at + 1] == u'\n' &&
           i + 1 < breaks.size() && breaks[i + 1] == BodyText::Break::Lf;
}

} // namespace

BodyText BodyText::fromBytes(std::string_view bytes, const CharacterSet& characterSet) {
    BodyText body;
    body.m_characterSet = characterSet;
    body.m_text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t run = 0; // where the text since the last break began
    const auto text = [&](std::size_t end) {
        body.m_text += characterSet.decode(bytes.substr(run, end - run));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            // A trail byte is never a break: the set says where characters begin.
            i += static_cast<std::size_t>(characterSet.characterSize(bytes, i));
            continue;
        }
        text(i);
        Break kind = c == '\n' ? Break::Lf : Break::Cr;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            kind = Break::CrLf;
            ++i;
        }
        body.m_breaks.push_back(kind);
        body.m_text += u'\n';
        run = ++i;
    }
    text(bytes.size());
    return body;
}

std::optional<QByteArray> BodyText::toBytes() const {
    QByteArray out;
    out.reserve(m_text.size());
    std::size_t b = 0;
    int run = 0; // where the text since the last break began
    for (int at = 0; at <= m_text.size(); ++at) {
        if (at < m_text.size() && m_text[at] != u'\n')
            continue;
        // A run at a time: a character of two UTF-16 units is encoded whole.
        const auto bytes = m_characterSet.encode(QStringView(m_text).mid(run, at - run));
        if (!bytes)
            return std::nullopt;
        out += *bytes;
        run = at + 1;
        if (at < m_text.size()) {
            const Break kind = b < m_breaks.size() ? m_breaks[b] : Break::CrLf;
            if (kind == Break::Lf)
                out += '\n';
            else if (kind == Break::Cr && !isCrFollowedByLf(m_breaks, b, m_text, at))
                out += '\r';
            else
                out += "\r\n";
            ++b;
        }
    }
    return out;
}

int BodyText::insertedSize(QStringView character) const {
    if (m_characterSet.isUnicode())
        return 1;
    int size = 0;
    for (QChar c : character)
        size += c == u'\n' ? 2 : std::max(1, m_characterSet.encodedSize(c));
    return size;
}

int BodyText::storedSize() const {
    if (m_characterSet.isUnicode())
        return m_characterSet.measure(m_text);
    int size = 0;
    std::size_t b = 0;
    for (int at = 0; at < m_text.size(); ++at) {
        if (m_text[at] != u'\n') {
            size += std::max(1, m_characterSet.encodedSize(m_text[at]));
            continue;
        }
        const Break kind = b < m_breaks.size() ? m_breaks[b] : Break::CrLf;
        size += (kind == Break::CrLf || isCrFollowedByLf(m_breaks, b, m_text, at)) ? 2 : 1;
        ++b;
    }
    return size;
}

int BodyText::breaksBefore(int position) const {
    return static_cast<int>(std::count(m_text.cbegin(), m_text.cbegin() + position, u'\n'));
}

void BodyText::replace(int position, int removed, const QString& inserted) {
    position = std::clamp(position, 0, static_cast<int>(m_text.size()));
    removed = std::clamp(removed, 0, static_cast<int>(m_text.size()) - position);
    const int first = breaksBefore(position);
    const auto gone =
        std::count(m_text.cbegin() + position, m_text.cbegin() + position + removed, u'\n');
    const auto added = std::count(inserted.cbegin(), inserted.cend(), u'\n');
    const auto at = m_breaks.begin() + first;
    m_breaks.insert(m_breaks.erase(at, at + gone), static_cast<std::size_t>(added), Break::CrLf);
    m_text.replace(position, removed, inserted);
}

void BodyText::follow(const QString& after, int position, int added) {
    const QString& before = m_text;
    const int oldSize = static_cast<int>(before.size());
    const int newSize = static_cast<int>(after.size());
    // The editor's report, checked: the text outside the range must be unchanged. (It may
    // report a range that runs past the end, as when it loads a whole new text.)
    position = std::clamp(position, 0, std::min(oldSize, newSize));
    added = std::clamp(added, 0, newSize - position);
    int removed = oldSize - newSize + added;
    const bool reportHolds =
        removed >= 0 && position + removed <= oldSize &&
        QStringView(before).left(position) == QStringView(after).left(position) &&
        QStringView(before).mid(position + removed) == QStringView(after).mid(position + added);
    if (!reportHolds) {
        position = 0;
        added = newSize;
        removed = oldSize;
    }
    // Narrow the range to what really changed.
    while (removed > 0 && added > 0 && before[position] == after[position]) {
        ++position;
        --removed;
        --added;
    }
    while (removed > 0 && added > 0 &&
           before[position + removed - 1] == after[position + added - 1]) {
        --removed;
        --added;
    }
    replace(position, removed, after.mid(position, added));
    if (m_text != after) {
        // Cannot happen with the checks above; if it ever did, the text still follows the
        // editor, with every break it cannot place stored as CR LF.
        m_text = after;
        m_breaks.resize(static_cast<std::size_t>(std::count(after.cbegin(), after.cend(), u'\n')),
                        Break::CrLf);
    }
}

int BodyText::positionOfByte(std::string_view bytes, int byteOffset,
                             const CharacterSet& characterSet) {
    int position = 0;
    const std::size_t end =
        std::min(bytes.size(), static_cast<std::size_t>(std::max(0, byteOffset)));
    for (std::size_t i = 0; i < end; ++position) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            i += 2; // the pair is one break
        else if (const int size = characterSet.characterSize(bytes, i); size == 4)
            i += 4, ++position; // outside the BMP: two units of text
        else
            i += static_cast<std::size_t>(size);
    }
    return position;
}
