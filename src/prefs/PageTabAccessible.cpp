// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/PageTabAccessible.h"

#include "prefs/PageTabButton.h"

PageTabAccessible::PageTabAccessible(PageTabButton* tab)
    : QAccessibleWidget(tab, QAccessible::PageTab)
{}

PageTabButton* PageTabAccessible::tab() const
{
    return static_cast<PageTabButton*>(widget());
}

QString PageTabAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && tab()->accessibleName().isEmpty())
        return tab()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State PageTabAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.selectable = true;
    state.selected = tab()->isChecked();
    return state;
}

QStringList PageTabAccessible::actionNames() const
{
    if (!tab()->isEnabled())
        return {};
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void PageTabAccessible::doAction(const QString& actionName)
{
    if (!tab()->isEnabled())
        return;
    if (actionName == pressAction() || actionName == toggleAction() ||
        actionName == setFocusAction()) {
        tab()->setFocus(Qt::OtherFocusReason);
        tab()->click();
    }
}
