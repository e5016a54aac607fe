// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Summary.h"

#include "decode/Decode.h"
#include "decode/MimeHeader.h"
#include "decode/MimeWords.h"
#include "decode/TextSearch.h"

namespace Decode {

namespace {

constexpr QLatin1StringView SubjectName("subject: ");
constexpr QLatin1StringView FromName("from: ");
constexpr QLatin1StringView BoundaryParameter("boundary=");

// More of a sender or subject than this is no use in a list row, a
// notification or a viewer title, and a hostile server can send megabytes.
constexpr qsizetype LongestShownText = 1000;

bool isFoldingSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The subject from its first character on, unfolded (RFC 5322 folding): every
// line end followed by a space or tab continues the value, and the line end
// and all white space after it disappear.
QString unfoldedSubject(QStringView text)
{
    QString value;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lineEnd = text.indexOf(u"\r\n", pos);
        if (lineEnd < 0) {
            value.append(text.sliced(pos)); // no line end: the rest of the text
            break;
        }
        value.append(text.sliced(pos, lineEnd - pos));
        qsizetype next = lineEnd + 2;
        if (next >= text.size() || !isFoldingSpace(text[next]))
            break;
        while (next < text.size() && isFoldingSpace(text[next]))
            ++next;
        pos = next;
    }
    value.remove(QChar(u'\t'));
    return value;
}

// text cut to LongestShownText characters, a surrogate pair kept whole.
QString cutForShowing(QString text)
{
    if (text.size() > LongestShownText) {
        const bool splitsPair =
            text[LongestShownText - 1].isHighSurrogate() && text[LongestShownText].isLowSurrogate();
        text.truncate(splitsPair ? LongestShownText - 1 : LongestShownText);
        text.squeeze();
    }
    return text;
}

QString displayText(const QString& decodedWords)
{
    QString text = convertJis(removeNuls(decodedWords));
    text.remove(QChar(u'\t'));
    return text;
}

// A message that is only multipart/alternative or multipart/related is one
// text in several forms, not a message with files: without a named part in
// sight it gets no attachment picture.
bool isOneTextInSeveralForms(QStringView response)
{
    const std::optional<QString> type = headerField(response, QLatin1StringView("content-type"));
    if (!type)
        return false;
    const QString item = parseMimeValue(*type).item;
    if (item != QLatin1StringView("multipart/alternative") &&
        item != QLatin1StringView("multipart/related"))
        return false;
    return indexOfAsciiCi(response, QLatin1StringView("name=")) < 0 &&
           indexOfAsciiCi(response, QLatin1StringView("name*")) < 0;
}

} // namespace

Summary parseTopResponse(const QString& replyBuf)
{
    const QStringView response(replyBuf);
    Summary summary;

    const qsizetype subject = indexOfAsciiCi(response, SubjectName);
    if (subject >= 0) {
        const QString value = unfoldedSubject(response.sliced(subject + SubjectName.size()));
        summary.Subject = cutForShowing(
            decodeMimeWords(displayText(decodeEncodedWords(value, OldKanjiDesignation::Delete)),
                            OldKanjiDesignation::Delete));
    }

    const qsizetype from = indexOfAsciiCi(response, FromName);
    if (from >= 0) {
        const qsizetype start = from + FromName.size();
        const qsizetype lineEnd = response.indexOf(u"\r\n", start);
        const QString value =
            (lineEnd < 0 ? response.sliced(start) : response.sliced(start, lineEnd - start))
                .toString();
        summary.From = cutForShowing(
            decodeMimeWords(displayText(decodeEncodedWords(value, OldKanjiDesignation::Keep)),
                            OldKanjiDesignation::Keep));
    }

    summary.Attached =
        indexOfAsciiCi(response, BoundaryParameter) >= 0 && !isOneTextInSeveralForms(response);
    return summary;
}

bool summaryChangesMessage(const QString& oldFrom, const QString& oldSubject,
                           const Summary& summary)
{
    return oldFrom != summary.From || oldSubject != summary.Subject;
}

} // namespace Decode
