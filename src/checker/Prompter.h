// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/*
 * Asks the user something in a modal message box. The checker's logic talks
 * only to this interface, so that tests can answer in place of the user.
 * The real implementation is MessageBoxPrompter (QMessageBox).
 */
class Prompter
{
public:
    enum class Icon { Information, Stop, Question, Warning, NoIcon };
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Prompter() = default;
    // Blocks in a modal dialog (events keep being processed) and returns the
    // button the user chose; closing the box counts as No (or Ok for Buttons::Ok).
    // text is shown as plain text, never as markup: it may hold a server's words.
    virtual Answer ask(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
};
