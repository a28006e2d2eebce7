#include "FindDialog.h"

#include "Cp1252Validator.h"
#include "deck/Cp1252.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int MaxFindText = 127;
}

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent)
    , m_edit(new QLineEdit(this))
    , m_findNext(new QPushButton(QStringLiteral("&Find Next"), this)) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    m_edit->setMaxLength(MaxFindText);
    m_edit->setValidator(new Cp1252Validator(MaxFindText, m_edit));

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
    m_edit->setText(
        Cp1252::decode(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))
            .left(MaxFindText));
    m_edit->selectAll();
}

QByteArray FindDialog::text() const {
    return Cp1252::encode(m_edit->text()).value_or(QByteArray());
}
