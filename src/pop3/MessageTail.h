// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

/*
 * The rest of a large RETR response, past the start that the retrieval
 * keeps whole. The viewer shows at most the start of a message, and the
 * attachment list needs only the headers of each part: the rest of a
 * message of many megabytes passes through here line by line and is
 * dropped, so that memory stays bounded whatever the server sends.
 *
 * What is kept: for every part whose delimiter line ends in the message's
 * first quoted boundary value (multipart, RFC 2046) and whose headers name a
 * file, the delimiter line and the part's first headers; in all at most
 * maxExcerpts bytes. The response ends at CR LF "." CR LF (RFC 1939).
 * Bytes are taken as they arrive, NULs already replaced by CR LF.
 */
class MessageTail
{
public:
    // How much of a part a kept excerpt holds: the delimiter line and the
    // headers in which a file name stands (within 300 characters of the
    // part's start, and the name itself).
    static constexpr qsizetype excerptBytes = 2048;
    static constexpr qsizetype maxExcerpts = qsizetype(1024) * 1024;

    // boundary: the message's first quoted boundary value, empty for a
    // message that is not multipart. crlf: whether the kept start, which
    // ends with a whole line, ends with CR LF.
    MessageTail(QByteArray boundary, bool crlf);

    // Takes the next bytes of the response. Returns the number of them
    // that belong to it once its end mark has been taken (the rest belongs
    // to the next reply), else -1.
    qsizetype take(QByteArrayView bytes);

    // Bytes taken, end mark included.
    qint64 size() const { return m_size; }
    // The kept part excerpts, each beginning with CR LF and its delimiter
    // line, for the whole-message reading to find the attachments in.
    const QByteArray& excerpts() const { return m_excerpts; }

    // The first quoted boundary value ("boundary=\"...\"", ASCII letters
    // in any case) of the kept start; empty when there is none.
    static QByteArray boundaryOf(QByteArrayView start);

private:
    // Takes a piece of the line being received (whole: through its LF);
    // true when the line is the response's final "." line.
    bool takeLine(QByteArrayView piece, bool whole);
    void closeExcerpt();

    QByteArray m_boundary;
    qint64 m_size = 0;
    // The line being received: its start while it is short, only its last
    // bytes once it is long (a delimiter line ends in the boundary value).
    QByteArray m_line;
    bool m_lineLong = false;
    bool m_previousEndedCrlf = false;
    QByteArray m_excerpt;
    bool m_excerptOpen = false;
    QByteArray m_excerpts;
};
