#include "IndexDialog.h"

#include "CardTextValidator.h"
#include "DialogUnits.h"
#include "deck/Card.h"
#include "deck/CharacterSet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

IndexDialog::IndexDialog(QWidget* parent, const QByteArray& text, IndexDialogMode mode,
                         const CharacterSet& characterSet,
                         const std::function<bool(const QString&)>& holdAnyText)
    : QDialog(parent)
    , m_characterSet(characterSet)
    , m_edit(new QLineEdit(this)) {
    static const char* const Captions[] = {"Edit Index", "Add Card", "Goto Index"};
    setWindowTitle(QString::fromLatin1(Captions[static_cast<int>(mode)]));
    setModal(true);

    const DialogUnits du(fontMetrics());
    auto* label = new QLabel(QStringLiteral("Index Text"), this);
    label->setGeometry(du.rect(15, 3, 40, 9).adjusted(0, 0, du.x(20), 0));
    label->setBuddy(m_edit);

    m_edit->setGeometry(du.rect(13, 13, 139, 12));
    auto* validator = new CardTextValidator(characterSet, Card::MaxIndexLength, "An index", m_edit);
    validator->setHoldAnyText(holdAnyText);
    m_edit->setValidator(validator);
    m_edit->setText(characterSet.decode(std::string_view(text.constData(), text.size())));
    m_edit->selectAll();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.rect(29, 31, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du.rect(88, 31, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(du.x(167), du.y(58));
    m_edit->setFocus();
}

QByteArray IndexDialog::text() const {
    // The validator lets only encodable text through.
    return m_characterSet.encode(m_edit->text()).value_or(QByteArray());
}
