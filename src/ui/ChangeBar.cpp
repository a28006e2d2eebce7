#include "ChangeBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

// A notification, as desktops show them: a screen reader says its text when it appears.
class ChangeBarAccessible : public QAccessibleWidget {
public:
    explicit ChangeBarAccessible(ChangeBar* bar)
        : QAccessibleWidget(bar, QAccessible::Notification) {}
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("ChangeBar") && object && object->isWidgetType())
        return new ChangeBarAccessible(static_cast<ChangeBar*>(object));
    return nullptr;
}

} // namespace

ChangeBar::ChangeBar(QWidget* parent)
    : QFrame(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);

    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(QSize(side, side), devicePixelRatioF()));
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setForegroundRole(QPalette::ToolTipText);
    m_merge = new QPushButton(QStringLiteral("&Merge"), this);
    m_showTheirs = new QPushButton(QStringLiteral("Show &Theirs"), this);
    m_keepMine = new QPushButton(QStringLiteral("&Keep Mine"), this);
    m_merge->setDefault(true);
    m_merge->setAccessibleDescription(
        QStringLiteral("Keep the cards of both versions, card by card"));
    m_showTheirs->setAccessibleDescription(
        QStringLiteral("Open the other version in a window of its own"));
    m_keepMine->setAccessibleDescription(QStringLiteral("Close this bar; Save asks first"));

    auto* row = new QHBoxLayout(this);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
    row->addWidget(m_merge);
    row->addWidget(m_showTheirs);
    row->addWidget(m_keepMine);
    connect(m_merge, &QPushButton::clicked, this, &ChangeBar::merge);
    connect(m_showTheirs, &QPushButton::clicked, this, &ChangeBar::showTheirs);
    connect(m_keepMine, &QPushButton::clicked, this, &ChangeBar::keepMine);
    hide();
}

QString ChangeBar::text() const {
    return m_text->text();
}

void ChangeBar::offer(const QString& text) {
    if (text.isEmpty()) {
        hide();
        return;
    }
    const bool again = isVisible() && text != m_text->text();
    m_text->setText(text);
    setAccessibleName(text);
    show();
    // A new offer in a bar already shown is a new notification too.
    if (again) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}
