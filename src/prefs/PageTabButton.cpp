// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/PageTabButton.h"

#include "prefs/PageTabAccessible.h"

#include <QAccessible>

namespace {

QAccessibleInterface* pageTabFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("PageTabButton") && object && object->isWidgetType())
        return new PageTabAccessible(static_cast<PageTabButton*>(object));
    return nullptr;
}

} // namespace

PageTabButton::PageTabButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(pageTabFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setCheckable(true);
    setAutoDefault(false);
    // A screen reader announces the newly shown page from this change.
    connect(this, &QAbstractButton::toggled, this, [this] {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    });
}
