// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/MessageTail.h"
#include "pop3/Pop3.h"

#include "FuzzInput.h"

#include <QByteArray>

// The POP3 connection's response collection, read by read, and the readings
// of a complete response as CAPA's and UIDL's answers: the first byte
// picks TOP or RETR and how the rest of a large message begins, the second
// the size of the reads; the rest is what the server sends.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const bool top = data[0] & 1;
    const bool startEndsCrlf = data[0] & 2;
    const qsizetype readSize = 1 + data[1] % 97;
    const QByteArrayView input(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const QByteArrayView end = Pop3::responseEnd(top ? "TOP" : "RETR");

    QByteArray replyBuf;
    qsizetype scanned = 0;
    qsizetype length = -1;
    qsizetype at = 0;
    while (at < input.size() && length < 0) {
        const qsizetype n = qMin(readSize, input.size() - at);
        replyBuf += input.sliced(at, n);
        at += n;
        length = Pop3::collectResponse(replyBuf, scanned, end);
    }
    const QByteArray received = input.first(at).toByteArray().replace('\0', "\r\n");
    FuzzInput::require(replyBuf == received, "collected bytes differ from those received");
    const qsizetype first = received.indexOf(end);
    FuzzInput::require(length == (first < 0 ? -1 : first + end.size()),
                       "response end is not the first end mark");
    if (length >= 0) {
        const QByteArray response = replyBuf.first(length);
        // The same response read as the answer to CAPA and to UIDL: an id
        // list is whole or nothing, each id printable and of its own.
        Pop3::parseCapabilities(response);
        const int count = data[1] % 8;
        const std::vector<QByteArray> ids = Pop3::parseUidList(response, count);
        FuzzInput::require(ids.empty() || ids.size() == std::size_t(count), "partial id list");
        for (const QByteArray& id : ids)
            FuzzInput::require(!id.isEmpty() && id.size() <= 70 && !id.contains(' '), "bad id");
        const QByteArray summary = Pop3::topOfRetr(response, Pop3::summaryLines);
        FuzzInput::require(summary == response || (summary.endsWith(".\r\n") &&
                                                   response.startsWith(summary.chopped(3))),
                           "summary is not the start of the response");
    }

    // The same bytes as the rest of a large message.
    const QByteArray all = input.toByteArray().replace('\0', "\r\n");
    MessageTail tail(MessageTail::boundaryOf(all.first(qMin<qsizetype>(all.size(), 200))),
                     startEndsCrlf);
    qsizetype taken = 0;
    qsizetype tailEnd = -1;
    while (taken < all.size() && tailEnd < 0) {
        const qsizetype n = qMin(readSize, all.size() - taken);
        const qsizetype e = tail.take(QByteArrayView(all).sliced(taken, n));
        tailEnd = e < 0 ? -1 : taken + e;
        taken += e < 0 ? n : e;
    }
    FuzzInput::require(tail.size() == taken, "tail size is not what it took");
    FuzzInput::require(tail.excerpts().size() <= MessageTail::maxExcerpts, "excerpts unbounded");
    const QByteArray prefixed = (startEndsCrlf ? QByteArray("\r\n") : QByteArray()) + all;
    const qsizetype mark = prefixed.indexOf("\r\n.\r\n");
    const qsizetype expected = mark < 0 ? -1 : mark + 5 - (prefixed.size() - all.size());
    FuzzInput::require(tailEnd == expected, "tail end is not the first CR LF . CR LF");
    return 0;
}
