// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/Prompter.h"

class QWidget;

/*
 * Prompter shown as an application-modal QMessageBox. ask() runs the box's
 * own event loop, so timers, hotkeys and sockets keep being served while
 * the question is open, and handlers may run nested inside it.
 *
 * Buttons::YesNo has Yes as its default button, Buttons::YesNoDefaultNo has
 * No. Escape and closing the box answer No (Ok for Buttons::Ok).
 */
class MessageBoxPrompter : public Prompter
{
public:
    // parent only places the box; the checker's window is usually hidden,
    // so nullptr (centred on the screen) is the normal case.
    explicit MessageBoxPrompter(QWidget* parent = nullptr);

    Answer ask(const QString& text, const QString& title, Icon icon, Buttons buttons) override;

private:
    QWidget* m_parent;
};
