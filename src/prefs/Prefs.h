// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

// Small helpers the settings program's windows share.
namespace Prefs {

// Title of every message box of tavoprefs.
QString appTitle();

// The message of a write that did not reach the settings file at path.
QString saveFailedText(const QString& path);
// The message of a keyring that refused a password; why is its own words.
QString keyringFailedText(const QString& why);

// Stored colours are 0x00BBGGRR: red in the low byte.
QColor colorFromBgr(qint32 bgr);
qint32 bgrFromColor(const QColor& colour);

// Twips per pixel of the screen that shows widget (15 at 96 DPI): the grid's
// column widths are given in twips.
int twipsPerPixel(const QWidget* widget);

// The folder the running program was started from: where the file choosers
// open.
QString programFolder();

// A label that gives its keyboard focus to buddy.
QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent);
// A narrow "..." button (tooltip "参照") that opens a file chooser.
QPushButton* browseButton(const QString& name, const QString& accessibleName, QWidget* parent);

// Enter or keypad Enter on a focused push button presses that button and
// accepts event; true when it did. Every push button of tavoprefs has
// auto-default off (a focused button must never become the dialog's default
// for later keys), so without this the key would press the dialog's default
// button instead, or nothing in the account editor. The dialogs call it
// first in their keyPressEvent; any other Enter goes on to QDialog.
bool pressFocusedButton(const QWidget* dialog, QKeyEvent* event);

// Places a top-level window in the middle of its screen.
void centreOnScreen(QWidget* window);

} // namespace Prefs
