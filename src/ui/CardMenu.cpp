#include "CardMenu.h"

#include "IndexListModel.h"

#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QVBoxLayout>

CardMenu::CardMenu(const Deck& deck, const CharacterSet& characterSet, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_model(new IndexListModel(deck, characterSet, IndexListModel::Order::Deck, this))
    , m_list(new QListView(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAccessibleName(QStringLiteral("Card menu"));
    m_list->setAccessibleName(QStringLiteral("Cards"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    m_list->setModel(m_model);
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFrameStyle(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_list);
    connect(m_list, &QListView::clicked, this, &CardMenu::choose);
    connect(m_list, &QListView::activated, this, &CardMenu::choose);
    if (m_model->rowCount() > 0)
        m_list->setCurrentIndex(m_model->index(0));
}

void CardMenu::choose(const QModelIndex& index) {
    if (m_chosen || !index.isValid())
        return;
    m_chosen = true;
    const int position = index.row();
    close();
    Q_EMIT cardChosen(position);
}

void CardMenu::popup(const QPoint& globalPos) {
    const int rows = std::clamp(m_model->rowCount(), 1, 18);
    const int rowHeight =
        m_list->sizeHintForRow(0) > 0 ? m_list->sizeHintForRow(0) : fontMetrics().height() + 4;
    const int width = fontMetrics().horizontalAdvance(QString(30, u'M')) / 2 + 40;
    resize(width, rows * rowHeight + 4);

    QRect area = QRect(globalPos, size());
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect avail = screen->availableGeometry();
        if (area.right() > avail.right())
            area.moveRight(avail.right());
        if (area.bottom() > avail.bottom())
            area.moveBottom(avail.bottom());
        area.moveLeft(std::max(area.left(), avail.left()));
        area.moveTop(std::max(area.top(), avail.top()));
    }
    move(area.topLeft());
    show();
    m_list->setFocus();
}
