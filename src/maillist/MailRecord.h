// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// One message of one account as the mail list knows it. Filled from the
// message's TOP summary at every check and from its RETR text when the user
// retrieves it; lives only in memory.
struct MailRecord
{
    QString From;
    QString Subject;
    qint16 Mark = 0;     // -1 when the row carries "○", else 0
    qint16 Attached = 0; // -1 when the message has attachments, else 0
    QString AttachNames; // each name in double quotes followed by one space
    QString Body;        // empty until the message has been retrieved
    // The server's unique id of the message (RFC 1939 UIDL) whose summary
    // this is; empty where the server gave none. Message numbers change
    // when another program removes mail; the id does not.
    QByteArray Uid;

    bool operator==(const MailRecord&) const = default;
};
