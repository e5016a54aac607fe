// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

/*
 * The modal dialogs of tavoprefs that answer for the user: the file chooser,
 * the colour chooser and the message box. The forms talk only to this
 * interface, so that tests answer in place of the user. The real
 * implementation is QtDialogs.
 */
class Dialogs
{
public:
    enum class Icon { Exclamation, Stop };

    virtual ~Dialogs() = default;

    // ChooseFile: lets the user pick an existing file, starting in
    // initialFolder, offering the files that match pattern under the name
    // description. The full path, or the empty text when the user cancels.
    virtual QString ChooseFile(QWidget* owner, const QString& description, const QString& pattern,
                               const QString& initialFolder, const QString& title) = 0;
    // ChooseColour: the chosen colour as 0x00BBGGRR, or -1 when the user
    // cancels. Black (0) is a colour, not a cancel. The chooser opens with
    // black selected and sixteen black custom colours every time.
    virtual qint32 ChooseColour(QWidget* owner) = 0;
    // A message box with the single OK button and the title
    // "Tavoメールチェッカー".
    virtual void showMessage(QWidget* owner, const QString& text, Icon icon) = 0;
};
