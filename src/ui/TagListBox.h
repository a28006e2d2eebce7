#pragma once

#include "deck/CharacterSet.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <vector>

// One line of the tag list: a card's index and whether it is tagged. The picture id says
// which: 177 tagged, 178 not tagged.
struct TagItem {
    static constexpr int Tagged = 177;
    static constexpr int Untagged = 178;
    int bitmapId = Untagged;
    QByteArray text;
    int cardPosition = -1; // the deck position of the card the item stands for
};

class TagItemModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    std::vector<TagItem>& items() { return m_items; }
    const std::vector<TagItem>& items() const { return m_items; }
    void reset(std::vector<TagItem> items);
    // Index of the new item, or -1 when the index lies beyond the end.
    int insert(int index, TagItem item);
    void setBitmapId(int row, int bitmapId);
    void setAll(int bitmapId);

Q_SIGNALS:
    // One item's mark changed by itself (Space, a double click): screen readers are told.
    void checkToggled(int row);

public:
    // The set the items' texts are shown in.
    void setCharacterSet(const CharacterSet& characterSet) { m_characterSet = characterSet; }

private:
    std::vector<TagItem> m_items;
    CharacterSet m_characterSet;
};

// Draws an item as its picture followed by its index text, clipped at the column's edge,
// in the highlight colours when selected, framed while it holds the keyboard.
class TagItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The check state is for screen readers; clicks keep their own meaning (a double click
    // toggles), so the delegate's own check handling is left out.
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false;
    }
};

// The check list of the Tag dialog: columns of 150 pixels filled top to bottom, 15-pixel rows,
// scrolling sideways, extended selection; a double click toggles the item under the caret.
class TagListBox : public QListView {
    Q_OBJECT
public:
    static constexpr int ColumnWidth = 150;
    static constexpr int ItemHeight = 15;

    explicit TagListBox(QWidget* parent);

    TagItemModel* tagModel() const { return m_model; }
    int count() const { return m_model->rowCount(); }

    int InsertTagItem(const QByteArray& text, int bitmapId, int index, int cardPosition);
    bool IsTagged(int i) const;
    void TagAll();
    void UntagAll();
    void TagSelected();
    void ToggleTag();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Space toggles the item under the caret: the double click of the keyboard.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    TagItemModel* m_model;
};
