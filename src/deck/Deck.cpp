#include "Deck.h"

#include "IndexOrder.h"

#include <algorithm>

Deck::Deck()
    : m_order(ByteIndexOrder::plain()) {
    m_ring = std::make_shared<Ring>();
    m_saved.m_ring = std::make_shared<Ring>();
}

Deck::~Deck() {
    m_observers.clear();
    RemoveAllCards();
}

void Deck::addObserver(DeckObserver* observer) {
    m_observers.push_back(observer);
}

void Deck::removeObserver(DeckObserver* observer) {
    std::erase(m_observers, observer);
}

template <typename Tell> void Deck::tellObservers(Tell tell) {
    // A copy: a listener may stop listening, or start, while it is told; the others are told
    // all the same, and one that has stopped is not told any more.
    const std::vector<DeckObserver*> observers = m_observers;
    for (DeckObserver* o : observers) {
        if (std::find(m_observers.begin(), m_observers.end(), o) != m_observers.end())
            tell(o);
    }
}

Deck::Batch::Batch(Deck& deck)
    : m_deck(deck) {
    ++m_deck.m_batches;
}

Deck::Batch::~Batch() {
    if (--m_deck.m_batches == 0)
        m_deck.announce();
}

void Deck::changed(DeckChanges changes) {
    m_pending |= changes;
    if (m_batches == 0)
        announce();
}

void Deck::structureChanged(DeckChanges changes) {
    m_unsavedStructure = true;
    m_savedOf.clear(); // modified until saved, whatever the texts
    m_differing = 0;
    changed(changes);
}

void Deck::announce() {
    // Listeners may change the deck in turn: what they change is announced by their own call.
    const DeckChanges changes = std::exchange(m_pending, {});
    const bool modified = isModified();
    const bool flagChanged = modified != m_announcedModified;
    m_announcedModified = modified;
    if (changes)
        tellObservers([changes](DeckObserver* o) { o->deckChanged(changes); });
    if (flagChanged)
        tellObservers([modified](DeckObserver* o) { o->modifiedChanged(modified); });
}

Deck::Ring& Deck::ring() {
    if (m_ring.use_count() > 1)
        m_ring = std::make_shared<Ring>(*m_ring);
    return *m_ring;
}

int Deck::positionOf(const Card* card) const {
    for (int k = 0, n = count(); k < n; ++k) {
        if (&this->card(k) == card)
            return k;
    }
    return -1;
}

void Deck::normalize() {
    if (m_front != 0) {
        Ring& r = ring();
        std::rotate(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(m_front), r.end());
        m_front = 0;
    }
}

void Deck::own(CardBlock cards) {
    auto block = std::make_shared<const CardBlock>(std::move(cards));
    if (block->size() == 1)
        m_singles.emplace(&*block->begin(), block);
    else
        m_blocks.push_back(std::move(block));
}

const Card& Deck::AppendCard(std::string_view index) {
    CardBlock one(Card::sizeFor(index, {}));
    one.append(index);
    appendCards(std::move(one));
    return card(count() - 1);
}

void Deck::appendCards(CardBlock cards) {
    if (cards.empty())
        return;
    normalize();
    const bool wasEmpty = isEmpty();
    Ring& r = ring();
    r.reserve(r.size() + cards.size());
    if (const std::vector<std::uint32_t> starts = cards.takeStarts();
        starts.size() == cards.size()) {
        for (std::uint32_t start : starts)
            r.push_back(Card::at(cards.data() + start));
    } else {
        for (const Card& c : cards)
            r.push_back(&c);
    }
    m_bytes += cards.byteSize();
    own(std::move(cards));
    structureChanged(wasEmpty ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
}

void Deck::replaceCard(int k, std::string_view index, std::string_view body, std::int32_t tag,
                       DeckChanges change) {
    const std::size_t s = slot(k);
    const Card* old = (*m_ring)[s];
    CardBlock one(Card::sizeFor(index, body));
    one.append(index, body, tag);
    const Card* now = &*one.begin();
    if (now->sameAs(*old))
        return;
    own(std::move(one));
    ring()[s] = now;
    m_bytes += now->size() - old->size();
    // The card it replaces lives on until everyone has been told.
    std::shared_ptr<const CardBlock> keep;
    if (auto it = m_singles.find(old); it != m_singles.end()) {
        keep = std::move(it->second);
        m_singles.erase(it);
    }
    if (!m_unsavedStructure) {
        // Every card is a saved one, or stands in for one.
        const Card* saved = old;
        if (auto it = m_savedOf.find(old); it != m_savedOf.end()) {
            saved = it->second;
            if (!old->sameContentAs(*saved))
                --m_differing;
            m_savedOf.erase(it);
        }
        m_savedOf.emplace(now, saved);
        if (!now->sameContentAs(*saved))
            ++m_differing;
    }
    tellObservers([old, now](DeckObserver* o) { o->cardReplaced(*old, *now); });
    changed(change);
}

void Deck::setIndex(int k, std::string_view text) {
    const Card& c = card(k);
    replaceCard(k, text, c.bodyText(), c.tag(), DeckChange::Text);
}

void Deck::setBody(int k, std::string_view text) {
    const Card& c = card(k);
    replaceCard(k, c.indexText(), text, c.tag(), DeckChange::Text);
}

void Deck::setTag(int k, std::int32_t tag) {
    const Card& c = card(k);
    // Any non-zero word is tagged: only a change between tagged and not is a change (the word
    // is stored all the same).
    if (tag != c.tag())
        replaceCard(k, c.indexText(), c.bodyText(), tag,
                    (tag != 0) != c.isTagged() ? DeckChange::Tags : DeckChange{});
}

void Deck::setIndexOrder(std::shared_ptr<const IndexOrder> order) {
    if (order == m_order)
        return;
    m_order = std::move(order);
    SortByIndex();
}

void Deck::SortByIndex() {
    normalize();
    // Files are saved in deck order: sorted, and turned to the card that was in front.
    const std::size_t start = m_order->start(*m_ring);
    if (start == 0)
        return;
    Ring& r = ring();
    if (start < r.size()) {
        // The first in index order goes to the start of the ring, where it is looked for.
        std::rotate(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(start), r.end());
        changed(DeckChange::Order | DeckChange::Front);
        return;
    }
    const std::vector<std::uint32_t> order = m_order->order(r);
    Ring sorted(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = r[order[i]];
    r = std::move(sorted);
    changed(DeckChange::Order | DeckChange::Front);
}

void Deck::BringCardToFront(int k) {
    if (k > 0 && k < count()) {
        m_front = slot(k);
        changed(DeckChange::Front);
    }
}

bool Deck::BringIndexToFront(std::string_view text) {
    for (int i = 0, n = count(); i < n; ++i) {
        if (m_order->compare(card(i).indexText(), text) == 0) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

bool Deck::BringExactIndexToFront(std::string_view text) {
    for (int i = 1, n = count(); i < n; ++i) {
        if (card(i).indexText() == text) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

bool Deck::JumpToInitial(char letter) {
    const auto byte = static_cast<unsigned char>(letter);
    const unsigned char folded = foldIndexByte(byte);
    const bool isLetter = folded >= 'a' && folded <= 'z';
    for (int i = 1, n = count(); i < n; ++i) {
        const std::string_view index = card(i).indexText();
        if (index.empty())
            continue;
        const auto first = static_cast<unsigned char>(index[0]);
        if (first == byte || (isLetter && foldIndexByte(first) == folded)) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

void Deck::RemoveFrontCard() {
    if (isEmpty())
        return;
    const Batch batch(*this);
    const Card* removed = &card(0);
    tellObservers([removed](DeckObserver* o) { o->cardRemoving(*removed, 0); });
    Ring& r = ring();
    r.erase(r.begin() + static_cast<std::ptrdiff_t>(m_front));
    m_bytes -= removed->size();
    m_deleted.push_back(removed);
    if (m_front == r.size())
        m_front = 0;
    structureChanged(DeckChange::Count | DeckChange::Front);
}

void Deck::RemoveAllCards() {
    const Batch batch(*this);
    if (!isEmpty()) {
        tellObservers([](DeckObserver* o) { o->cardsClearing(); });
        changed(DeckChange::Count | DeckChange::Front);
    }
    m_unsavedStructure = isModified();
    m_savedOf.clear();
    m_differing = 0;
    m_ring = std::make_shared<Ring>();
    m_bytes = 0;
    m_deleted.clear();
    m_deleted.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_singles.clear();
    m_front = 0;
    ++m_emptyings;
}

const Card* Deck::Undelete() {
    if (m_deleted.empty())
        return nullptr;
    normalize();
    const Card* card = m_deleted.back();
    m_deleted.pop_back();
    ring().push_back(card);
    m_bytes += card->size();
    structureChanged(count() == 1 ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
    return card;
}

void Deck::replaceCards(CardBlock cards, State state) {
    const Batch batch(*this);
    RemoveAllCards();
    appendCards(std::move(cards));
    SortByIndex();
    if (state == State::Saved)
        markClean();
    else
        structureChanged({});
}

void Deck::setSavedState(DeckSnapshot saved) {
    m_saved = std::move(saved);
    m_savedOf.clear();
    m_differing = 0;
    m_unsavedStructure = true;
    changed({});
}

void Deck::markClean() {
    m_unsavedStructure = false;
    m_savedOf.clear();
    m_differing = 0;
    m_saved = snapshot();
    changed({});
}

DeckSnapshot Deck::snapshot() const {
    DeckSnapshot s;
    s.m_ring = m_ring;
    s.m_front = m_front;
    s.m_bytes = m_bytes;
    s.m_owners = m_blocks;
    s.m_owners.reserve(m_blocks.size() + m_singles.size());
    for (const auto& single : m_singles)
        s.m_owners.push_back(single.second);
    return s;
}
