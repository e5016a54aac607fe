// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/MessageBoxPrompter.h"

#include <QMessageBox>
#include <QPointer>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Stop:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::NoIcon:
        return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBoxPrompter::MessageBoxPrompter(QWidget* parent) : m_parent(parent) {}

Prompter::Answer MessageBoxPrompter::ask(const QString& text, const QString& title, Icon icon,
                                         Buttons buttons)
{
    // Heap-allocated and watched: a handler running inside exec() may delete
    // the parent, which would take the box with it.
    QPointer<QMessageBox> box =
        new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, m_parent);
    // The text may be a server's words after "-ERR": shown as written, a
    // tag in it is neither a link to click nor an image Qt goes to load.
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);

    Answer closed = Answer::No;
    switch (buttons) {
    case Buttons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        closed = Answer::Ok;
        break;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
        break;
    }

    box->exec();
    if (!box)
        return closed;
    const QMessageBox::StandardButton chosen = box->standardButton(box->clickedButton());
    delete box.data();
    switch (chosen) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return closed;
    }
}
