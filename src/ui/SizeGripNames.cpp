#include "SizeGripNames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QSizeGrip>

namespace {

class SizeGripAccessible : public QAccessibleWidget {
public:
    explicit SizeGripAccessible(QWidget* grip)
#ifdef Q_OS_LINUX
        : QAccessibleWidget(grip, QAccessible::Client){}
#else
        : QAccessibleWidget(grip, QAccessible::Grip) {
    }
#endif
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QSizeGrip") && object && object->isWidgetType())
        return new SizeGripAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void nameSizeGrips(QWidget* window) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    for (QSizeGrip* grip : window->findChildren<QSizeGrip*>()) {
        grip->setAccessibleName(QStringLiteral("Size grip"));
        grip->setAccessibleDescription(QStringLiteral("Drag with the mouse to resize the window"));
    }
}
