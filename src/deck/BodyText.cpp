#include "BodyText.h"

#include "Cp1252.h"

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

BodyText BodyText::fromBytes(std::string_view bytes) {
    BodyText body;
    body.m_text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            Break kind = c == '\n' ? Break::Lf : Break::Cr;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                kind = Break::CrLf;
                ++i;
            }
            body.m_breaks.push_back(kind);
            body.m_text += u'\n';
        } else {
            body.m_text += Cp1252::toUnicode(static_cast<unsigned char>(c));
        }
    }
    return body;
}

std::optional<QByteArray> BodyText::toBytes() const {
    QByteArray out;
    out.reserve(storedSize());
    std::size_t b = 0;
    for (int at = 0; at < m_text.size(); ++at) {
        const QChar c = m_text[at];
        if (c == u'\n') {
            const Break kind = b < m_breaks.size() ? m_breaks[b] : Break::CrLf;
            if (kind == Break::Lf)
                out += '\n';
            else if (kind == Break::Cr && !isCrFollowedByLf(m_breaks, b, m_text, at))
                out += '\r';
            else
                out += "\r\n";
            ++b;
            continue;
        }
        const auto byte = Cp1252::encode(QStringView(&c, 1));
        if (!byte || c.unicode() == 0)
            return std::nullopt;
        out += *byte;
    }
    return out;
}

int BodyText::storedSize() const {
    int size = 0;
    std::size_t b = 0;
    for (int at = 0; at < m_text.size(); ++at) {
        if (m_text[at] != u'\n') {
            ++size;
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

int BodyText::positionOfByte(std::string_view bytes, int byteOffset) {
    int position = 0;
    const int size = static_cast<int>(bytes.size());
    for (int i = 0; i < byteOffset && i < size; ++i) {
        if (bytes[static_cast<std::size_t>(i)] == '\r' && i + 1 < size &&
            bytes[static_cast<std::size_t>(i) + 1] == '\n')
            ++i; // the pair is one break
        ++position;
    }
    return position;
}
