// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "instancelock/InstanceLock.h"
#include "prefs/OptionForm.h"
#include "prefs/QtDialogs.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavoprefs"));
    QApplication::setDesktopFileName(QStringLiteral("tavoprefs"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/prefs/icons/tavoprefs-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/prefs/icons/tavoprefs-32.png"), QSize(32, 32));
    QApplication::setWindowIcon(icon);

    // One settings program at a time: a second start ends without a word
    // (the checker that started it simply reads the settings again).
    InstanceLock lock(InstanceLock::defaultPath(QStringLiteral("tavoprefs")));
    if (!lock.tryLock())
        return EXIT_SUCCESS;

    Settings::SettingsStore store;
    QtDialogs dialogs;
    OptionForm form(store, dialogs);
    form.Form_Load();
    form.show();
    // OK, Cancel, Esc and the close box all close the dialog, and with it
    // the program.
    return QApplication::exec();
}
