// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Decode {

/*
 * What the viewer shows of a retrieved message: the body as display text and
 * the names of attached files. Attachments themselves are never decoded.
 */
struct WholeMessage
{
    QString Body;
    bool Attached = false;
    // Each name in double quotes followed by one space: "a.pdf" "b.zip"
    QString AttachNames;
    // The response as cut down before the body was taken from it.
    QString keptText;

    friend bool operator==(const WholeMessage&, const WholeMessage&) = default;
};

// Body and attachment names of a complete RETR response (status line through
// the final "." line, already read as text).
//
// Only a quoted boundary parameter (boundary="...", ASCII letters without
// regard to case) makes the message multipart. The part search begins at the
// second boundary parameter when there is one (the first usually stands in
// the message headers, the second in a nested multipart) but always looks for
// the first boundary value. A part starts at boundary value + CR LF +
// "Content-Type: "; it is an attachment when a name=" parameter (which
// filename=" also matches) or an RFC 2231 name* parameter begins at most 300
// characters after its start.
// A part that is not an attachment and is the last one is dropped together
// with the "--" in front of it. With attachments the text is cut before the
// delimiter line of the first one, and to at most 5000 characters counted
// from the start of the response. With a quoted boundary parameter the
// preamble line "This is a multi-part message in MIME format." is deleted.
//
// A name ends at the first double quote directly followed by CR LF. A name
// never runs into the next part: when no such quote precedes the next part
// start, it ends at its first double quote, else at its line end.
//
// The body is everything after the first empty line, final "." line and
// doubled dots included (empty when there is no empty line), through the NUL
// filter, the JIS conversion rule and tab deletion. When the text part the
// viewer shows (decodedBodyText) travels in Base64 or quoted-printable, the
// body is that part's decoded text instead, cut where the kept text ends when
// attachments follow. Names are decoded like a sender, an RFC 2231 filename*
// or name* parameter of the part taking precedence; tabs and CR LF are
// deleted from the names text.
WholeMessage parseRetrResponse(const QString& replyBuf);

} // namespace Decode
