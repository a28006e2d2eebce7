#include "TagListBox.h"

#include "LeafAccessible.h"
#include "Pictures.h"
#include "ReadingDirection.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

const QPixmap& picture(int bitmapId, qreal ratio) {
    // Rendered once for each picture and screen density.
    static QHash<QPair<int, qreal>, QPixmap> cache;
    auto it = cache.find({bitmapId, ratio});
    if (it == cache.end()) {
        const QString resource = bitmapId == TagItem::Tagged
                                     ? QStringLiteral(":/pictures/tagged.svg")
                                     : QStringLiteral(":/pictures/untagged.svg");
        it = cache.insert({bitmapId, ratio}, Pictures::pixmap(resource, ratio));
    }
    return *it;
}

// A tag list item as a screen reader meets it: a check box named by its card's index, checked
// while the card is tagged; its action toggles the tag. (Qt's own list items say nothing of
// being checkable.)
class TagItemAccessible : public LeafAccessible<TagListBox> {
public:
    using LeafAccessible::LeafAccessible;

    bool isValid() const override { return m_owner && m_position < m_owner->count(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || t != QAccessible::Name)
            return {};
        return m_owner->model()->index(m_position, 0).data().toString();
    }
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_owner->visualRect(m_owner->model()->index(m_position, 0));
        return QRect(m_owner->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QModelIndex index = m_owner->model()->index(m_position, 0);
        s.checkable = true;
        s.checked = m_owner->IsTagged(m_position);
        s.focusable = true;
        s.selectable = true;
        s.focused = m_owner->hasFocus() && m_owner->currentIndex() == index;
        s.selected = m_owner->selectionModel()->isSelected(index);
        s.invisible = !m_owner->viewport()->rect().intersects(m_owner->visualRect(index));
        return s;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name == toggleAction() && isValid())
            m_owner->tagModel()->setBitmapId(
                m_position, m_owner->IsTagged(m_position) ? TagItem::Untagged : TagItem::Tagged);
    }
    QStringList keyBindingsForAction(const QString&) const override {
        return {QStringLiteral("Space")};
    }
};

// The list itself, its items made as a reader asks for them.
class TagListAccessible : public QAccessibleWidget {
public:
    explicit TagListAccessible(TagListBox* list)
        : QAccessibleWidget(list, QAccessible::List) {}
    TagListBox* list() const { return static_cast<TagListBox*>(widget()); }
    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? m_items.at(list(), index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return m_items.positionOf(child);
    }
    QAccessibleInterface* focusChild() const override {
        return list()->currentIndex().isValid() ? child(list()->currentIndex().row()) : nullptr;
    }

private:
    Leaves<TagItemAccessible, TagListBox> m_items;
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TagListBox") && object && object->isWidgetType())
        return new TagListAccessible(static_cast<TagListBox*>(object));
    return nullptr;
}

} // namespace

int TagItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant TagItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TagItem& item = m_items[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return m_characterSet.decode(
            std::string_view(item.text.constData(), static_cast<std::size_t>(item.text.size())));
    case Qt::UserRole:
        return item.bitmapId;
    case Qt::AccessibleDescriptionRole:
        return item.bitmapId == TagItem::Tagged ? QStringLiteral("tagged")
                                                : QStringLiteral("not tagged");
    case Qt::CheckStateRole:
        // For screen readers: a checkable item, checked while tagged. The picture shows it.
        return item.bitmapId == TagItem::Tagged ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags TagItemModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) | Qt::ItemIsUserCheckable;
}

bool TagItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    setBitmapId(index.row(), value.toInt() == Qt::Checked ? TagItem::Tagged : TagItem::Untagged);
    return true;
}

void TagItemModel::reset(std::vector<TagItem> items) {
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

int TagItemModel::insert(int index, TagItem item) {
    const int n = rowCount();
    if (index == -1)
        index = n;
    if (index < 0 || index > n)
        return -1;
    beginInsertRows({}, index, index);
    m_items.insert(m_items.begin() + index, std::move(item));
    endInsertRows();
    return index;
}

void TagItemModel::setBitmapId(int row, int bitmapId) {
    const bool changed = m_items[static_cast<std::size_t>(row)].bitmapId != bitmapId;
    m_items[static_cast<std::size_t>(row)].bitmapId = bitmapId;
    const QModelIndex i = index(row);
    Q_EMIT dataChanged(i, i, {Qt::UserRole, Qt::CheckStateRole});
    if (changed)
        Q_EMIT checkToggled(row);
}

void TagItemModel::setAll(int bitmapId) {
    for (TagItem& item : m_items)
        item.bitmapId = bitmapId;
    if (!m_items.empty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {Qt::UserRole, Qt::CheckStateRole});
}

void TagItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    QRect r = option.rect;
    painter->save();
    painter->setClipRect(r);
    painter->fillRect(r, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    const QPixmap& pic =
        picture(index.data(Qt::UserRole).toInt(), painter->device()->devicePixelRatioF());
    const QSize picSize = pic.deviceIndependentSize().toSize();
    painter->drawPixmap(r.topLeft(), pic);
    r.setLeft(r.left() + picSize.width() + 5);
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->drawText(r, ReadingDirection::drawFlags(text) | Qt::AlignVCenter | Qt::TextSingleLine,
                      text);
    // The keyboard's place, while the list has the keyboard: a dotted frame round the item.
    if (option.state & QStyle::State_HasFocus) {
        QPen pen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize TagItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {TagListBox::ColumnWidth, TagListBox::ItemHeight};
}

TagListBox::TagListBox(QWidget* parent)
    : QListView(parent)
    , m_model(new TagItemModel(this)) {
    // Before anything can ask for this widget's accessible interface.
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
    setModel(m_model);
    setItemDelegate(new TagItemDelegate(this));
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSpacing(0);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(m_model, &TagItemModel::checkToggled, this, [this](int row) {
        // Screen readers hear the new state of the item, as of a check box.
        if (!QAccessible::isActive())
            return;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
        QAccessibleInterface* item = list ? list->child(row) : nullptr;
        if (!item)
            return;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(item, changed);
        QAccessible::updateAccessibility(&event);
    });
}

int TagListBox::InsertTagItem(const QByteArray& text, int bitmapId, int index, int cardPosition) {
    return m_model->insert(index, TagItem{bitmapId, text, cardPosition});
}

bool TagListBox::IsTagged(int i) const {
    return i >= 0 && i < count() &&
           m_model->items()[static_cast<std::size_t>(i)].bitmapId == TagItem::Tagged;
}

void TagListBox::TagAll() {
    m_model->setAll(TagItem::Tagged);
    clearSelection();
}

void TagListBox::UntagAll() {
    m_model->setAll(TagItem::Untagged);
    clearSelection();
}

void TagListBox::TagSelected() {
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    for (const QModelIndex& i : rows)
        m_model->setBitmapId(i.row(), TagItem::Tagged);
    // A replaced item is no longer selected.
    clearSelection();
}

void TagListBox::ToggleTag() {
    const QModelIndex caret = currentIndex();
    if (!caret.isValid())
        return;
    m_model->setBitmapId(caret.row(), IsTagged(caret.row()) ? TagItem::Untagged : TagItem::Tagged);
    selectionModel()->select(caret, QItemSelectionModel::Deselect);
}

void TagListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        ToggleTag();
}

void TagListBox::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    // The item with the keyboard, said as the list gets it (on opening too): a reader then
    // hears every later change of its checked state.
    // After the list's own focus event, which Qt sends once this returns.
    QTimer::singleShot(0, this, [this] {
        const int row = currentIndex().row();
        if (!hasFocus() || !QAccessible::isActive() || row < 0)
            return;
        if (QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this)) {
            if (QAccessibleInterface* item = list->child(row)) {
                QAccessibleEvent focus(item, QAccessible::Focus);
                QAccessible::updateAccessibility(&focus);
            }
        }
    });
}

void TagListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        ToggleTag();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
