// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WholeMessage.h"

#include "decode/ConvertJisView.h"
#include "decode/Decode.h"
#include "decode/ForwardFinder.h"
#include "decode/TextSearch.h"

#include <QList>

#include <algorithm>

namespace Decode {

namespace {

constexpr QLatin1StringView BoundaryParameter("boundary=\"");
constexpr QLatin1StringView PartHeader("\r\ncontent-type: ");
constexpr qsizetype LargestNameDistance = 300;
constexpr qsizetype LongestKeptText = 5000;

// The name that starts at valueStart, which lies before limit (the next part
// start, or the end of the text).
QStringView attachmentName(QStringView text, qsizetype valueStart, qsizetype limit,
                           ForwardFinder& nameEnds)
{
    const qsizetype end = nameEnds.next(valueStart);
    if (end >= 0 && end < limit)
        return text.sliced(valueStart, end - valueStart);
    // No quote and line end before the next part: stop at the first quote or
    // line end instead of pulling the following part into the name.
    const QStringView rest = text.sliced(valueStart, limit - valueStart);
    qsizetype stop = rest.indexOf(u'"');
    if (stop < 0)
        stop = rest.indexOf(u"\r\n");
    return stop < 0 ? rest : rest.first(stop);
}

QString decodedName(QStringView name)
{
    return convertJis(removeNuls(decodeEncodedWords(name.toString(), OldKanjiDesignation::Keep)));
}

} // namespace

WholeMessage parseRetrResponse(const QString& replyBuf)
{
    const QStringView text(replyBuf);
    WholeMessage message;
    QList<QStringView> names;
    qsizetype kept = text.size();

    const qsizetype first = indexOfAsciiCi(text, BoundaryParameter);
    const qsizetype valueStart = first < 0 ? -1 : first + BoundaryParameter.size();
    const qsizetype valueEnd = first < 0 ? -1 : text.indexOf(u'"', valueStart);
    if (valueEnd >= 0) {
        const qsizetype second = indexOfAsciiCi(text, BoundaryParameter, first + 1);
        const QString partStartText =
            text.sliced(valueStart, valueEnd - valueStart).toString() + PartHeader;
        // Every search below moves forward only, so each finder scans the
        // text once however many parts there are.
        ForwardFinder partStarts(text, partStartText);
        ForwardFinder nameParameters(text, u"name=\"");
        ForwardFinder nameEnds(text, u"\"\r\n");
        qsizetype firstAttachmentKept = -1;

        qsizetype part = partStarts.next(second >= 0 ? second : first);
        while (part >= 0) {
            const qsizetype name = nameParameters.next(part);
            if (name >= 0 && name - part <= LargestNameDistance) {
                const qsizetype following = partStarts.next(name + 1);
                const qsizetype limit = following < 0 ? text.size() : following;
                names.append(attachmentName(text, name + 6, std::max(limit, name + 6), nameEnds));
                if (firstAttachmentKept < 0) // text in front of the "--" of the delimiter line
                    firstAttachmentKept = std::clamp(part - 2, qsizetype(0), LongestKeptText);
                part = following;
            } else {
                const qsizetype following = partStarts.next(part + 1);
                if (following < 0) {
                    kept = std::min(kept, std::max(part - 2, qsizetype(0)));
                    break;
                }
                part = following;
            }
        }
        if (firstAttachmentKept >= 0) {
            message.Attached = true;
            kept = std::min(kept, firstAttachmentKept);
        }
    }

    // Shares the response when nothing is cut (a single-part message).
    message.keptText = replyBuf.left(kept);
    if (first >= 0)
        message.keptText.remove(QStringLiteral("This is a multi-part message in MIME format.\r\n"));

    const qsizetype emptyLine = message.keptText.indexOf(QStringLiteral("\r\n\r\n"));
    if (emptyLine >= 0) {
        const QStringView body = QStringView(message.keptText).sliced(emptyLine + 4);
        message.Body = body.contains(QChar(0)) ? convertJis(removeNuls(body.toString()))
                                               : convertJisView(body);
        message.Body.remove(QChar(u'\t'));
    }

    for (const QStringView name : std::as_const(names)) {
        message.AttachNames += QLatin1Char('"');
        message.AttachNames += decodedName(name);
        message.AttachNames += QLatin1StringView("\" ");
    }
    message.AttachNames.remove(QChar(u'\t'));
    message.AttachNames.remove(QStringLiteral("\r\n"));
    return message;
}

} // namespace Decode
