// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/DesktopPresence.h"

#include "checker/BasKey.h"
#include "checker/DesktopNotifications.h"
#include "checker/MailForm.h"
#include "checker/TrayIcon.h"
#include "maillist/MailListView.h"
#include "settings/Hotkey.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

constexpr int popUpAction = 2;

// The sender and subject of grid row, as one line of a notification.
QString mailLine(const MailListView& grid, int row)
{
    return grid.cellText(row, MailListView::FromColumn) + QStringLiteral(" — ") +
           grid.cellText(row, MailListView::SubjectColumn);
}

// The checker's icon with the count of listed messages on it, red while new
// mail is flagged.
QPixmap badged(const QString& file, int size, int listed, bool newMail)
{
    QPixmap picture(file);
    if (picture.isNull() || listed <= 0)
        return picture;
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QString count = listed > 99 ? QStringLiteral("99+") : QString::number(listed);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 9 / 16);
    painter.setFont(font);
    const int width = std::min(size, painter.fontMetrics().horizontalAdvance(count) + size / 4);
    const QRect badge(size - width, size / 2 - 1, width, size / 2 + 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(newMail ? QColor(0xd0, 0x20, 0x20) : QColor(0x50, 0x50, 0x60));
    painter.drawRoundedRect(badge, size / 5.0, size / 5.0);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, count);
    return picture;
}

} // namespace

DesktopPresence::DesktopPresence(MailForm& form, TrayIcon* tray,
                                 DesktopNotifications* notifications)
    : QObject(&form), m_form(form), m_tray(tray), m_notifications(notifications)
{
    connect(&form, &MailForm::mailListed, this, &DesktopPresence::updateTray);
    connect(&form, &MailForm::newMailPoppedUp, this, &DesktopPresence::notifyNewMail);
    if (m_notifications)
        m_notifications->setClickHandler([this] { BasKey::runAction(m_form, popUpAction); });
    if (m_tray) {
        QStringList commands;
        for (int i = 0; i < BasKey::keyCount; ++i)
            commands << Settings::hotkeyCommandName(i);
        // The picture first: an icon shown without one is an empty square.
        updateTray();
        m_tray->install(
            commands, [this](int index) { BasKey::runAction(m_form, index); },
            [this] { BasKey::runAction(m_form, popUpAction); });
    }
}

DesktopPresence::~DesktopPresence()
{
    // The handlers reach into the window, which goes with this object.
    if (m_tray)
        m_tray->remove();
    if (m_notifications)
        m_notifications->setClickHandler(nullptr);
}

QString DesktopPresence::toolTip(int listed, bool newMail)
{
    QString text = MailForm::appTitle() + u'\n';
    text += listed > 0 ? QString::number(listed) + QStringLiteral("通のメールが届いています")
                       : QStringLiteral("メールはありません");
    if (newMail)
        text += QStringLiteral("\n新着メールがあります");
    return text;
}

QIcon DesktopPresence::trayPicture(int listed, bool newMail)
{
    QIcon icon;
    icon.addPixmap(
        badged(QStringLiteral(":/checker/icons/tavowatchl-16.png"), 16, listed, newMail));
    icon.addPixmap(
        badged(QStringLiteral(":/checker/icons/tavowatchl-32.png"), 32, listed, newMail));
    return icon;
}

void DesktopPresence::updateTray()
{
    if (!m_tray)
        return;
    const int listed = m_form.mailTotal();
    const bool newMail = m_form.newMailFlg_Check();
    m_tray->setState(trayPicture(listed, newMail), toolTip(listed, newMail));
}

void DesktopPresence::notifyNewMail()
{
    if (!m_notifications)
        return;
    // The new messages are those the list marks "N". A mailbox may count as
    // new without any (every non-empty mailbox does when only changes are
    // not asked for): then the whole list is told.
    const MailListView& grid = *m_form.lvwMailBox();
    QList<int> rows;
    for (int row = 1; row < grid.rows(); ++row) {
        if (!grid.cellText(row, MailListView::NewColumn).isEmpty())
            rows << row;
    }
    QString summary;
    if (rows.isEmpty()) {
        for (int row = 1; row < grid.rows(); ++row)
            rows << row;
        summary = QString::number(rows.size()) + QStringLiteral("通のメールが届いています");
    } else {
        summary = QStringLiteral("新着メール %1通").arg(rows.size());
    }
    QStringList lines;
    for (int i = 0; i < rows.size() && i < listedInNotification; ++i)
        lines << mailLine(grid, rows.at(i));
    if (rows.size() > listedInNotification)
        lines << QStringLiteral("ほか%1通").arg(rows.size() - listedInNotification);
    m_notifications->notify(summary, lines.join(u'\n'));
}
