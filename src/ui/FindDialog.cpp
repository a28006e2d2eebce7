#include "FindDialog.h"

#include "CardTextValidator.h"
#include "deck/CharacterSet.h"
#include "session/DeckSession.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int MaxFindText = 127;
}

FindDialog::FindDialog(QWidget* parent, const CharacterSet& characterSet)
    : QDialog(parent)
    , m_characterSet(characterSet)
    , m_edit(new QLineEdit(this))
    , m_findNext(new QPushButton(QStringLiteral("&Find Next"), this)) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    m_edit->setValidator(new CardTextValidator(characterSet, MaxFindText, "This box", m_edit));

    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_edit);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    m_findNext->setDefault(true);
    m_findNext->setEnabled(false);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(close);
    buttons->addStretch();
    auto* top = new QHBoxLayout(this);
    top->addLayout(row, 1);
    top->addLayout(buttons);

    // An empty text would match everywhere: Find Next waits for something to find.
    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_findNext->setEnabled(!t.isEmpty()); });
    connect(m_findNext, &QPushButton::clicked, this, [this] {
        if (!m_edit->text().isEmpty())
            Q_EMIT findNext(text());
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(360, sizeHint().height());
}

void FindDialog::setText(const QByteArray& text) {
    m_edit->setText(m_characterSet.decode(m_characterSet.cut(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())), MaxFindText)));
    m_edit->selectAll();
}

QByteArray FindDialog::text() const {
    return m_characterSet.encode(m_edit->text()).value_or(QByteArray());
}

FindDialog* FindDialog::open(QWidget* parent, DeckSession& session, const QByteArray& selection) {
    auto* dialog = parent->findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new FindDialog(parent, session.characterSet());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &FindDialog::findNext, &session,
                [&session](const QByteArray& text) { session.commands().FindNext(text); });
    }
    dialog->setText(selection);
    session.commands().startFind();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void FindDialog::keepClearOf(const QRect& match) {
    const QRect frame = frameGeometry();
    if (!frame.intersects(match))
        return;
    const QScreen* screen = this->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int gap = 8;
    // The frame's top-left for each place, the nearest first.
    const QPoint places[] = {
        {frame.left(), match.bottom() + 1 + gap},
        {frame.left(), match.top() - gap - frame.height()},
        {match.right() + 1 + gap, frame.top()},
        {match.left() - gap - frame.width(), frame.top()},
    };
    for (QPoint place : places) {
        QRect moved(place, frame.size());
        if (room.isValid()) {
            // Kept on the screen, sideways only: a place that would have to move back over the
            // match is no place.
            moved.moveLeft(std::clamp(moved.left(), room.left(),
                                      std::max(room.left(), room.right() + 1 - moved.width())));
            moved.moveTop(std::clamp(moved.top(), room.top(),
                                     std::max(room.top(), room.bottom() + 1 - moved.height())));
        }
        if (!moved.intersects(match) && (!room.isValid() || room.contains(moved))) {
            move(moved.topLeft());
            return;
        }
    }
}
