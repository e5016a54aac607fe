// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WholeMessage.h"

#include "decode/ConvertJisView.h"
#include "decode/Decode.h"
#include "decode/ForwardFinder.h"
#include "decode/MimeBody.h"
#include "decode/MimeHeader.h"
#include "decode/MimeWords.h"
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

// One attachment: the name parameter as the plain search found it, and the
// part's header block for its RFC 2231 parameters.
struct Attachment
{
    QStringView name;
    QStringView headers;
};

QString decodedName(const Attachment& attachment)
{
    // RFC 2231 names (filename*=UTF-8''...) are what today's mail programs
    // send for non-ASCII names; they stand over the plain parameter.
    const std::optional<QString> typeField =
        headerField(attachment.headers, QLatin1StringView("content-type"));
    const std::optional<QString> dispositionField =
        headerField(attachment.headers, QLatin1StringView("content-disposition"));
    std::optional<QString> extended;
    if (dispositionField)
        extended =
            extendedParameter(parseMimeValue(*dispositionField), QLatin1StringView("filename"));
    if (!extended && typeField)
        extended = extendedParameter(parseMimeValue(*typeField), QLatin1StringView("name"));
    if (extended)
        return *extended;
    const QString name = convertJis(
        removeNuls(decodeEncodedWords(attachment.name.toString(), OldKanjiDesignation::Keep)));
    return decodeMimeWords(name, OldKanjiDesignation::Keep);
}

// The header block that holds the name parameter at name, which lies at
// most 300 characters behind part: from the empty line before it (or the
// line after the delimiter) to the empty line after it, never past limit.
QStringView headersAround(QStringView text, qsizetype part, qsizetype name, qsizetype limit)
{
    qsizetype start = text.sliced(part, name - part).lastIndexOf(u"\r\n\r\n");
    if (start >= 0) {
        start += part + 4; // a part so short that the name is the next part's
    } else {
        start = text.indexOf(u"\r\n", part);
        if (start < 0 || start >= name)
            return QStringView();
        start += 2;
    }
    const qsizetype emptyLine = text.sliced(name, limit - name).indexOf(u"\r\n\r\n");
    const qsizetype end = emptyLine < 0 ? limit : name + emptyLine + 2;
    return text.sliced(start, end - start);
}

} // namespace

WholeMessage parseRetrResponse(const QString& replyBuf)
{
    const QStringView text(replyBuf);
    WholeMessage message;
    QList<Attachment> names;
    qsizetype firstAttachmentKept = -1;
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
        // RFC 2231 names ("name*=", "filename*0*=") carry no quote after
        // the "=", yet they name an attachment all the same.
        ForwardFinder extendedNames(text, u"name*");

        qsizetype part = partStarts.next(second >= 0 ? second : first);
        while (part >= 0) {
            const qsizetype quoted = nameParameters.next(part);
            const qsizetype extended = extendedNames.next(part);
            const bool quotedNear = quoted >= 0 && quoted - part <= LargestNameDistance;
            const bool extendedNear = extended >= 0 && extended - part <= LargestNameDistance;
            if (quotedNear || extendedNear) {
                const qsizetype name =
                    quotedNear && (!extendedNear || quoted < extended) ? quoted : extended;
                const qsizetype following = partStarts.next(name + 1);
                const qsizetype limit = following < 0 ? text.size() : following;
                const QStringView legacy =
                    quotedNear
                        ? attachmentName(text, quoted + 6, std::max(limit, quoted + 6), nameEnds)
                        : QStringView();
                names.append({legacy, headersAround(text, part, name, std::max(limit, name))});
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
        // Base64 and quoted-printable text decoded; the cut above still
        // decides how much of it is shown when attachments follow.
        std::optional<QString> decoded =
            decodedBodyText(text, message.Attached ? firstAttachmentKept : -1);
        if (decoded) {
            message.Body = std::move(*decoded);
        } else {
            const QStringView body = QStringView(message.keptText).sliced(emptyLine + 4);
            message.Body = body.contains(QChar(0)) ? convertJis(removeNuls(body.toString()))
                                                   : convertJisView(body);
            message.Body.remove(QChar(u'\t'));
        }
    }

    for (const Attachment& name : std::as_const(names)) {
        message.AttachNames += QLatin1Char('"');
        message.AttachNames += decodedName(name);
        message.AttachNames += QLatin1StringView("\" ");
    }
    message.AttachNames.remove(QChar(u'\t'));
    message.AttachNames.remove(QStringLiteral("\r\n"));
    return message;
}

} // namespace Decode
