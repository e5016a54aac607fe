// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/QtDialogs.h"

#include "prefs/Prefs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

QString QtDialogs::ChooseFile(QWidget* owner, const QString& description, const QString& pattern,
                              const QString& initialFolder, const QString& title)
{
    // The chooser accepts only an existing file in an existing folder; a
    // cancel gives the null text.
    return QFileDialog::getOpenFileName(owner, title, initialFolder,
                                        description + QStringLiteral(" (") + pattern + u')');
}

qint32 QtDialogs::ChooseColour(QWidget* owner)
{
    // The custom colours do not outlive one choice: every opening starts
    // from sixteen black ones.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::black));
    const QColor colour = QColorDialog::getColor(QColor(Qt::black), owner);
    if (!colour.isValid())
        return -1;
    return Prefs::bgrFromColor(colour);
}

void QtDialogs::showMessage(QWidget* owner, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Stop ? QMessageBox::Critical : QMessageBox::Warning,
                    Prefs::appTitle(), text, QMessageBox::Ok, owner);
    // A file path in the text is shown as written, even one with "<" in it.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
