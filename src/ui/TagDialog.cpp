#include "TagDialog.h"

#include "DialogUnits.h"
#include "Dialogs.h"
#include "SizeGripNames.h"
#include "TagListBox.h"
#include "deck/Deck.h"

#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

TagDialog::TagDialog(QWidget* parent, Deck& deck, const CharacterSet& characterSet)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMaximizeButtonHint)
    , m_deck(deck)
    , m_list(new TagListBox(this))
    , m_ok(new QPushButton(QStringLiteral("Ok"))) {
    m_list->tagModel()->setCharacterSet(characterSet);
    setWindowTitle(QStringLiteral("Tag Cards"));
    setSizeGripEnabled(true);
    nameSizeGrips(this);
    const DialogUnits du(fontMetrics());

    auto* menuBar = new QMenuBar(this);
    QMenu* tag = menuBar->addMenu(QStringLiteral("&Tag"));
    const struct {
        int id;
        const char* text;
        void (TagListBox::*slot)();
    } entries[] = {{TagAllId, "&All", &TagListBox::TagAll},
                   {TagNoneId, "&None", &TagListBox::UntagAll},
                   {TagSelectedId, "&Selected", &TagListBox::TagSelected}};
    for (const auto& e : entries) {
        QAction* a = tag->addAction(QString::fromLatin1(e.text));
        a->setData(e.id);
        connect(a, &QAction::triggered, m_list, e.slot);
        m_actions << a;
    }

    // The buttons above the list, where the dialog's template puts them.
    auto* buttons = new QWidget(this);
    buttons->setFixedHeight(du.y(35));
    m_ok->setParent(buttons);
    m_ok->setGeometry(du.rect(27, 9, 50, 14));
    m_ok->setDefault(true); // Return confirms, from the list too
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), buttons);
    cancel->setGeometry(du.rect(93, 9, 50, 14));
    cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &TagDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The list takes the rest of the dialog, its horizontal scroll bar inside it.
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buttons);
    layout->addWidget(m_list, 1);

    // The items read the indexes where the cards keep them: the dialog keeps a copy of the
    // deck, so every card it shows lives as long as the dialog, whatever OK changes.
    m_shown = deck.snapshot();
    const int n = deck.count();
    std::vector<TagItem> items(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
#if defined(__GNUC__)
        // Cards lie scattered once sorted: ask for the next ones early.
        if (k + 12 < n) {
            __builtin_prefetch(&deck.card(k + 12));
        }
#endif
        const Card& card = deck.card(k);
        const std::string_view index = card.indexText();
        items[static_cast<std::size_t>(k)] = {
            card.isTagged() ? TagItem::Tagged : TagItem::Untagged,
            QByteArray::fromRawData(index.data(), static_cast<qsizetype>(index.size())), k};
    }
    m_list->tagModel()->reset(std::move(items));

    resize(du.x(171), du.y(121) + menuBar->sizeHint().height());
    // The keyboard starts in the list, named for screen readers.
    m_list->setAccessibleName(QStringLiteral("Cards to tag"));
    setTabOrder(m_list, m_ok);
    setTabOrder(m_ok, cancel);
    m_list->setFocus();
}

QAction* TagDialog::menuAction(int commandId) const {
    for (QAction* a : m_actions) {
        if (a->data().toInt() == commandId)
            return a;
    }
    return nullptr;
}

void TagDialog::run(QWidget* parent, Deck& deck, const CharacterSet& characterSet) {
    const KeyboardReturn back(parent);
    TagDialog dialog(parent, deck, characterSet);
    dialog.exec();
}

void TagDialog::accept() {
    // Each item carries the position of its own card, so no item's mark can reach another.
    const auto& items = m_list->tagModel()->items();
    m_changed = false;
    const Deck::Batch batch(m_deck);
    for (const TagItem& item : items) {
        if (item.cardPosition < 0 || item.cardPosition >= m_deck.count())
            continue;
        const bool tagged = item.bitmapId == TagItem::Tagged;
        // Any non-zero tag counts as tagged; only a change of state is a change.
        if (tagged != m_deck.card(item.cardPosition).isTagged())
            m_changed = true;
        m_deck.setTag(item.cardPosition, tagged ? 1 : 0);
    }
    QDialog::accept();
}
