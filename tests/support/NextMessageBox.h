// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <functional>

/*
 * A user in front of the next real message box: polls from the event loop
 * until a box is shown modally, then hands it to answer, once. Lives as long
 * as the object, which a test keeps around the call that shows the box.
 */
class NextMessageBox
{
public:
    explicit NextMessageBox(std::function<void(QMessageBox&)> answer)
    {
        m_user.setInterval(10);
        QObject::connect(&m_user, &QTimer::timeout, [this, answer = std::move(answer)] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_user.stop();
            answer(*box);
        });
        m_user.start();
    }

    // What a screen reader reads of the box's text: what its label renders,
    // so markup rendered would leave only "x" of "<b>x</b>".
    static QString textRead(const QMessageBox& box)
    {
        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        return label ? QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name)
                     : QString();
    }

private:
    QTimer m_user;
};
