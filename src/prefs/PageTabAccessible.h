// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class PageTabButton;

/*
 * What assistive technology sees of a PageTabButton: a page tab named by
 * its caption, selected while its page is shown. Qt's own interface for a
 * checkable button offers "toggle", which checks the button without the
 * click that switches the page; here every action (press, toggle, focus)
 * focuses and clicks the tab, as a mouse click does.
 */
class PageTabAccessible : public QAccessibleWidget
{
public:
    explicit PageTabAccessible(PageTabButton* tab);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    PageTabButton* tab() const;
};
