// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prefs/Dialogs.h"

// The real dialogs: QFileDialog, QColorDialog and QMessageBox.
class QtDialogs : public Dialogs
{
public:
    QString ChooseFile(QWidget* owner, const QString& description, const QString& pattern,
                       const QString& initialFolder, const QString& title) override;
    qint32 ChooseColour(QWidget* owner) override;
    void showMessage(QWidget* owner, const QString& text, Icon icon) override;
};
