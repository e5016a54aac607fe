// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

/*
 * One of the option dialog's page tabs ("全般", "ｱｶｳﾝﾄ"): a checkable push
 * button, checked while its page is shown, in the dialog's exclusive button
 * group. To assistive technology it is a page tab, not the check box Qt
 * makes of a checkable button, and each of its accessible actions clicks it,
 * so that a screen-reader user switches pages exactly as a mouse user does
 * (PageTabAccessible).
 */
class PageTabButton : public QPushButton
{
    Q_OBJECT

public:
    PageTabButton(const QString& text, QWidget* parent = nullptr);
};
