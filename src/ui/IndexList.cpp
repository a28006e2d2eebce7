#include "IndexList.h"

#include "CardTextValidator.h"
#include "IndexListModel.h"
#include "ReadingDirection.h"
#include "deck/CharacterSet.h"
#include "session/DeckSession.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int MaxFilter = 127;

// Each index in the direction its first letter is read, from the side it is read from.
class ReadingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->direction = ReadingDirection::of(option->text);
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter; // the leading side
    }
};

} // namespace

IndexList::IndexList(DeckSession& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_deck(session.deck())
    , m_characterSet(session.characterSet())
    , m_model(new IndexListModel(m_deck, m_characterSet, IndexListModel::Order::Index, this))
    , m_filter(new QLineEdit(this))
    , m_list(new QListView(this)) {
    m_filter->setPlaceholderText(QStringLiteral("Type to keep only the cards that hold the text"));
    m_filter->setClearButtonEnabled(true);
    for (QToolButton* clear : m_filter->findChildren<QToolButton*>())
        clear->setAccessibleName(QStringLiteral("Clear the filter"));
    auto* validator = new CardTextValidator(m_characterSet, MaxFilter, "This box", m_filter);
    connect(validator, &CardTextValidator::refused, this, &IndexList::inputRefused);
    m_filter->setValidator(validator);
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ReadingDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAccessibleName(QStringLiteral("Indexes"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_model->setFilter(m_characterSet.encode(text).value_or(QByteArray()));
        keepFrontShown();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &IndexList::onCurrentChanged);
    connect(m_list, &QListView::activated, this, [this](const QModelIndex& index) {
        const int position = m_model->position(index.row());
        if (position >= 0)
            Q_EMIT cardOpened(position);
    });
    m_filter->installEventFilter(this);

    connect(&session, &DeckSession::characterSetChanged, this, [this] {
        // The filter is bytes of the set: made again from what the box shows, or let go.
        const auto bytes = m_characterSet.encode(m_filter->text());
        if (!bytes)
            m_filter->clear();
        m_model->setFilter(bytes.value_or(QByteArray()));
        refresh();
    });
    connect(this, &IndexList::cardSelected, &session,
            [&session](int position) { session.commands().bringToFront(position); });
    connect(&session, &DeckSession::deckChanged, this, [this](DeckChanges changes) {
        // Only cards that came or went, or changed texts, change the rows; a rotation moves
        // the selection alone. A list not shown is read again when it is shown.
        if ((changes & DeckChange::Count) || (isVisible() && (changes & DeckChange::Text)))
            refresh();
        else if (isVisible() && (changes & (DeckChange::Front | DeckChange::Order)))
            keepFrontShown();
    });
}

bool IndexList::isFiltered() const {
    return !m_filter->text().isEmpty();
}

bool IndexList::showsFrontCard() const {
    return !m_deck.isEmpty() && (!isFiltered() || m_model->rowOf(0) >= 0);
}

void IndexList::refresh() {
    // A card chosen here only rotates the deck, which moves no entry.
    if (m_choosing)
        return;
    m_model->refresh();
    keepFrontShown();
}

void IndexList::keepFrontShown() {
    const bool cameIn = m_deck.count() > m_count;
    m_count = m_deck.count();
    if (isVisible() && isFiltered() && !m_deck.isEmpty() && m_model->rowOf(0) < 0) {
        if (cameIn) {
            m_filter->clear(); // reads the list again, with the new card in it
            return;
        }
        if (m_model->rowCount() > 0) {
            m_session.commands().bringToFront(m_model->position(0));
            return; // the rotation comes back here as a change of the front card
        }
    }
    selectFront();
}

void IndexList::moveCurrent(int rows) {
    const int n = m_model->rowCount();
    if (n == 0)
        return;
    const int row = m_model->rowOf(0);
    const int next = row < 0 ? 0 : ((row + rows) % n + n) % n;
    m_session.commands().bringToFront(m_model->position(next));
}

void IndexList::takeFocus() {
    m_filter->setFocus();
}

void IndexList::selectFront() {
    // Shows the front card as the selected entry, without telling anyone it was chosen. A list
    // not shown is left alone: placing a row lays out every row, and showing it selects again.
    if (!isVisible())
        return;
    m_selecting = true;
    const int row = m_deck.isEmpty() ? -1 : m_model->rowOf(0);
    if (row >= 0) {
        const QModelIndex index = m_model->index(row);
        m_list->setCurrentIndex(index);
        m_list->scrollTo(index);
    } else {
        m_list->setCurrentIndex({});
    }
    m_selecting = false;
}

void IndexList::onCurrentChanged() {
    if (m_selecting)
        return;
    const int position = m_model->position(m_list->currentIndex().row());
    if (position > 0) {
        m_choosing = true;
        Q_EMIT cardSelected(position);
        m_choosing = false;
    }
}

bool IndexList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && m_model->rowCount() > 0) {
            m_list->setFocus();
            if (!m_list->currentIndex().isValid())
                m_list->setCurrentIndex(m_model->index(0));
            return true;
        }
        if (key->key() == Qt::Key_Escape && !m_filter->text().isEmpty()) {
            m_filter->clear();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            m_list->currentIndex().isValid()) {
            Q_EMIT m_list->activated(m_list->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
