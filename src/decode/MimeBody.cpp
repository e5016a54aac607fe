// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/MimeBody.h"

#include "decode/Base64Alphabet.h"
#include "decode/Charset.h"
#include "decode/Decode.h"
#include "decode/ForwardFinder.h"
#include "decode/MimeHeader.h"
#include "decode/TextSearch.h"

#include <array>

namespace Decode {

namespace {

// Deeper nesting than this is not mail a person wrote; it is not searched.
constexpr int DeepestNesting = 8;

struct TextPart
{
    qsizetype contentStart = 0;
    qsizetype contentEnd = 0;
    QString type;
    QString transferEncoding;
    QString charset;
};

constexpr std::array<signed char, 128> base64Table()
{
    std::array<signed char, 128> table{};
    for (std::size_t c = 0; c < table.size(); ++c)
        table[c] = static_cast<signed char>(base64Value(char16_t(c)));
    return table;
}

bool isNamedOrAttached(const MimeValue& type, QStringView headers)
{
    if (!type.parameter(QLatin1StringView("name")).isEmpty() ||
        extendedParameter(type, QLatin1StringView("name")))
        return true;
    const std::optional<QString> field =
        headerField(headers, QLatin1StringView("content-disposition"));
    if (!field)
        return false;
    const MimeValue disposition = parseMimeValue(*field);
    return disposition.item == QLatin1StringView("attachment") ||
           !disposition.parameter(QLatin1StringView("filename")).isEmpty() ||
           extendedParameter(disposition, QLatin1StringView("filename"));
}

std::optional<TextPart> chooseTextPart(QStringView text, qsizetype start, qsizetype end, int depth);

// The parts of a multipart entity between contentStart and end, searched for
// the text to show.
std::optional<TextPart> chooseAmongParts(QStringView text, qsizetype contentStart, qsizetype end,
                                         const QString& boundary, bool alternative, int depth)
{
    const QStringView region = text.first(end);
    const QString delimiter = QStringLiteral("\r\n--") + boundary;
    ForwardFinder delimiters(region, delimiter);
    std::optional<TextPart> fallback;
    // contentStart follows an empty line, so a first delimiter right there
    // still has its CR LF in front.
    qsizetype at = delimiters.next(std::max(qsizetype(0), contentStart - 2));
    while (at >= 0) {
        const qsizetype after = at + delimiter.size();
        if (region.sliced(after).startsWith(u"--"))
            break; // the close delimiter
        const qsizetype lineEnd = region.indexOf(u"\r\n", after);
        if (lineEnd < 0)
            break;
        const qsizetype next = delimiters.next(lineEnd);
        const qsizetype partEnd = next < 0 ? end : next;
        std::optional<TextPart> chosen = chooseTextPart(text, lineEnd + 2, partEnd, depth + 1);
        if (chosen) {
            // RFC 2046: alternatives come in rising preference, but a
            // notifier wants the plain text the sender wrote.
            if (!alternative || chosen->type == QLatin1StringView("text/plain"))
                return chosen;
            if (!fallback)
                fallback = std::move(chosen);
        }
        at = next;
    }
    return fallback;
}

// The text part of the entity whose header block starts at start and whose
// content ends at end.
std::optional<TextPart> chooseTextPart(QStringView text, qsizetype start, qsizetype end, int depth)
{
    if (depth > DeepestNesting || start > end)
        return std::nullopt;
    const QStringView entity = text.sliced(start, end - start);
    qsizetype contentStart;
    if (entity.startsWith(u"\r\n")) {
        contentStart = start + 2; // no header lines at all
    } else {
        const qsizetype emptyLine = entity.indexOf(u"\r\n\r\n");
        if (emptyLine < 0)
            return std::nullopt;
        contentStart = start + emptyLine + 4;
    }
    const QStringView headers = text.sliced(start, contentStart - start);
    const std::optional<QString> typeField =
        headerField(headers, QLatin1StringView("content-type"));
    const MimeValue type = parseMimeValue(typeField.value_or(QStringLiteral("text/plain")));

    if (type.item.startsWith(QLatin1StringView("multipart/"))) {
        const QString boundary = type.parameter(QLatin1StringView("boundary"));
        if (boundary.isEmpty())
            return std::nullopt;
        return chooseAmongParts(text, contentStart, end, boundary,
                                type.item == QLatin1StringView("multipart/alternative"), depth);
    }
    if (!type.item.isEmpty() && !type.item.startsWith(QLatin1StringView("text/")))
        return std::nullopt;
    if (depth > 0 && isNamedOrAttached(type, headers))
        return std::nullopt;
    const std::optional<QString> encoding =
        headerField(headers, QLatin1StringView("content-transfer-encoding"));
    return TextPart{
        contentStart, end, type.item.isEmpty() ? QStringLiteral("text/plain") : type.item,
        encoding.value_or(QString()).toLower(), type.parameter(QLatin1StringView("charset"))};
}

} // namespace

QByteArray decodeBodyBase64(QStringView text)
{
    static constexpr std::array<signed char, 128> table = base64Table();
    QByteArray bytes(text.size() / 4 * 3 + 3, Qt::Uninitialized);
    char* out = bytes.data();
    unsigned bits = 0;
    int count = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 128)
            continue;
        const int value = table[code];
        if (value < 0) {
            if (code == u'=') { // padding: the group ends, its spare bits go
                bits = 0;
                count = 0;
            }
            continue;
        }
        bits = (bits << 6 | unsigned(value)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            *out++ = char((bits >> count) & 0xFF);
        }
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

QByteArray decodeQuotedPrintable(QStringView text)
{
    const qsizetype size = text.size();
    QByteArray bytes(size * 3, Qt::Uninitialized); // a character gives at most 3 UTF-8 bytes
    char* out = bytes.data();
    const char16_t* in = text.utf16();
    bool lineStart = true;
    for (qsizetype i = 0; i < size; ++i) {
        if (lineStart && in[i] == u'.' && i + 1 < size && in[i + 1] == u'.')
            ++i; // RFC 1939 byte-stuffing
        lineStart = false;
        const char16_t c = in[i];
        if (c == u'=') {
            if (i + 2 < size) {
                const int high = hexValue(in[i + 1]);
                const int low = hexValue(in[i + 2]);
                if (high >= 0 && low >= 0) {
                    *out++ = char(high * 16 + low);
                    i += 2;
                    continue;
                }
            }
            qsizetype k = i + 1;
            while (k < size && (in[k] == u' ' || in[k] == u'\t'))
                ++k;
            if (k == size || in[k] == u'\n' || in[k] == u'\r') {
                // Soft line break: the line goes on behind the line end.
                if (k < size && in[k] == u'\r')
                    ++k;
                if (k < size && in[k] == u'\n')
                    ++k;
                i = k - 1;
                lineStart = true;
                continue;
            }
            *out++ = '=';
        } else if (c < 0x80) {
            *out++ = char(c);
            lineStart = c == u'\n';
        } else {
            // Raw 8-bit text in a quoted-printable body was read as received
            // text already; it goes on as UTF-8 bytes (a lone surrogate as
            // U+FFFD).
            const char16_t code = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            if (code < 0x800) {
                *out++ = char(0xC0 | (code >> 6));
            } else {
                *out++ = char(0xE0 | (code >> 12));
                *out++ = char(0x80 | ((code >> 6) & 0x3F));
            }
            *out++ = char(0x80 | (code & 0x3F));
        }
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

std::optional<QString> decodedBodyText(QStringView response, qsizetype limit)
{
    qsizetype end = response.size();
    if (response.endsWith(u"\r\n.\r\n"))
        end -= 3; // the POP3 terminator line is not part of the message
    const std::optional<TextPart> part = chooseTextPart(response, 0, end, 0);
    if (!part)
        return std::nullopt;
    const bool base64 = part->transferEncoding == QLatin1StringView("base64");
    if (!base64 && part->transferEncoding != QLatin1StringView("quoted-printable"))
        return std::nullopt;
    const qsizetype contentEnd = limit >= 0 ? std::min(part->contentEnd, limit) : part->contentEnd;
    if (part->contentStart >= contentEnd)
        return std::nullopt;
    const QStringView content =
        response.sliced(part->contentStart, contentEnd - part->contentStart);
    const QByteArray bytes = base64 ? decodeBodyBase64(content) : decodeQuotedPrintable(content);

    std::optional<QString> text;
    if (!part->charset.isEmpty())
        text = textInCharset(bytes, part->charset);
    if (!text) // no or unknown charset: read like received text
        text = convertJis(removeNuls(fromCp932(bytes)));
    text->remove(QChar(0));
    text->remove(QChar(u'\t'));
    if (text->isEmpty())
        return std::nullopt;
    return text;
}

} // namespace Decode
