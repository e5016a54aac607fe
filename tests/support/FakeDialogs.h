// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prefs/Dialogs.h"

#include <QList>
#include <QStringList>

/*
 * The settings program's user in tests: every dialog is recorded, and
 * answered from the front of the scripted answers. With no answer left a
 * chooser counts as cancelled.
 */
class FakeDialogs : public Dialogs
{
public:
    struct FileRequest
    {
        QString description;
        QString pattern;
        QString initialFolder;
        QString title;
    };

    QList<FileRequest> fileRequests;
    QStringList files;     // answers of ChooseFile
    QList<qint32> colours; // answers of ChooseColour
    int colourRequests = 0;
    QStringList messages;

    QString ChooseFile(QWidget*, const QString& description, const QString& pattern,
                       const QString& initialFolder, const QString& title) override
    {
        fileRequests.append({description, pattern, initialFolder, title});
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    qint32 ChooseColour(QWidget*) override
    {
        ++colourRequests;
        return colours.isEmpty() ? -1 : colours.takeFirst();
    }

    void showMessage(QWidget*, const QString& text, Icon) override { messages.append(text); }
};
