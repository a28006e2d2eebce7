#include "Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// Desktops' screen readers speak a notification as it appears.
class AnnouncerAccessible : public QAccessibleWidget {
public:
    explicit AnnouncerAccessible(QWidget* w)
        : QAccessibleWidget(w, QAccessible::Notification) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = false;
        s.offscreen = false;
        return s;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("Announcer") && object && object->isWidgetType())
        return new AnnouncerAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget* parent)
    : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setFixedSize(0, 0);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Announcer::say(const QString& text) {
    if (text.isEmpty())
        return;
    setAccessibleName(text);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(this, text);
    QAccessible::updateAccessibility(&event);
#else
    // Shown again, as a notification: readers speak its name.
    QAccessibleEvent event(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
#endif
}
