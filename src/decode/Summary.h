// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Decode {

/*
 * What the mail list shows of one message, taken from its RFC 1939 TOP
 * response: sender and subject as display text and whether the message is
 * multipart.
 */
struct Summary
{
    QString From;
    QString Subject;
    bool Attached = false;

    friend bool operator==(const Summary&, const Summary&) = default;
};

// Sender and subject of a complete TOP response (status line through the
// final "." line, already read as text).
//
// The header names "From: " and "Subject: " (space included, ASCII letters
// without regard to case) are found anywhere in the response: the first
// occurrence counts even inside another header such as X-Subject. The
// sender is the rest of that one line; the subject is unfolded, its lines
// joined with nothing between them and the leading white space of each
// continuation line dropped. Encoded words are decoded left to right (for the
// subject without the older JIS designation ESC $ @), then the NUL filter,
// the JIS conversion rule and tab deletion apply; then the encoded words of
// other charsets and in Q encoding that this left as written are decoded
// (decodeMimeWords). Each is then cut to its first 1,000 characters (UTF-16
// units, a surrogate pair never split), so that the list, the notification
// and the guard of summaryChangesMessage all see the same bounded text. A
// missing header gives the empty text; a subject or sender with no CR LF
// after it runs to the end of the text. Attached is set when "boundary="
// occurs anywhere, except for a message that is only multipart/alternative or
// multipart/related with no name parameter in sight.
Summary parseTopResponse(const QString& replyBuf);

// True when a summary for a message number differs from what the mail table
// holds for it, so another message now stands at that number and a body
// retrieved earlier must be dropped.
bool summaryChangesMessage(const QString& oldFrom, const QString& oldSubject,
                           const Summary& summary);

} // namespace Decode
