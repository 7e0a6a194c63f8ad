#include "AccessibleRoles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace tarnwick {

namespace {

QAccessibleInterface* gameWidgetInterface(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    // Matched by name: the cell class lives in the main window's library.
    if (className == QLatin1String("tarnwick::HoleCell")) {
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    }
    if (className == QLatin1String("tarnwick::BoardFocus")) {
        return new QAccessibleWidget(widget, QAccessible::Canvas);
    }
    if (className.startsWith(QLatin1String("tarnwick::")) && widget->isWindow()) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(gameWidgetInterface);
        return true;
    }();
    (void)installed;
}

} // namespace tarnwick
