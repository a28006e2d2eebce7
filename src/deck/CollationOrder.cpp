#include "CollationOrder.h"

#include <QStringList>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <vector>

QByteArray CollationOrder::icuLocale(const QString& locale) {
    const QString name = locale.section(u'.', 0, 0).section(u'@', 0, 0);
    const QString modifier = locale.section(u'@', 1).toLower();
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QByteArray("root");
    // The script a modifier names comes between language and territory, as ICU writes it.
    const QString language = name.section(u'_', 0, 0);
    const QString territory = name.section(u'_', 1);
    QString script;
    if (modifier.startsWith(QLatin1String("latin")))
        script = QStringLiteral("Latn");
    else if (modifier.startsWith(QLatin1String("cyrillic")))
        script = QStringLiteral("Cyrl");
    QStringList parts{language};
    if (!script.isEmpty())
        parts << script;
    if (!territory.isEmpty())
        parts << territory;
    return parts.join(u'_').toLatin1();
}

CollationOrder::CollationOrder(const QString& locale) {
    UErrorCode error = U_ZERO_ERROR;
    m_collator = ucol_open(icuLocale(locale).constData(), &error);
    if (U_FAILURE(error) || !m_collator) {
        error = U_ZERO_ERROR;
        m_collator = ucol_open("root", &error);
    }
    // Case ignored: capitals and small letters sort as one, accents still count.
    ucol_setStrength(m_collator, UCOL_SECONDARY);
}

CollationOrder::~CollationOrder() {
    ucol_close(m_collator);
}

int CollationOrder::compare(std::string_view a, std::string_view b) const {
    const std::lock_guard<std::mutex> guard(m_lock);
    UErrorCode error = U_ZERO_ERROR;
    const UCollationResult result =
        ucol_strcollUTF8(m_collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), &error);
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

std::vector<std::uint32_t> CollationOrder::order(std::span<const Card* const> cards) const {
    const std::size_t n = cards.size();
    // The keys, one after another in one buffer, each ending with its zero.
    std::vector<unsigned char> keys;
    keys.reserve(n * 24);
    std::vector<std::size_t> offsets(n);
    std::vector<UChar> text;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        for (std::size_t i = 0; i < n; ++i) {
            const std::string_view index = cards[i]->indexText();
            text.resize(index.size() + 1);
            int32_t length = 0;
            UErrorCode error = U_ZERO_ERROR;
            u_strFromUTF8Lenient(text.data(), static_cast<int32_t>(text.size()), &length,
                                 index.data(), static_cast<int32_t>(index.size()), &error);
            offsets[i] = keys.size();
            for (int32_t room = 64;;) {
                const std::size_t at = keys.size();
                keys.resize(at + static_cast<std::size_t>(room));
                const int32_t size =
                    ucol_getSortKey(m_collator, text.data(), length, keys.data() + at, room);
                if (size <= room) {
                    keys.resize(at + static_cast<std::size_t>(size));
                    break;
                }
                keys.resize(at);
                room = size;
            }
        }
    }
    std::vector<const unsigned char*> keyOf(n);
    for (std::size_t i = 0; i < n; ++i)
        keyOf[i] = keys.data() + offsets[i];
    return orderByKeys(keyOf);
}
