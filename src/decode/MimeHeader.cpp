// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/MimeHeader.h"

#include "decode/Charset.h"
#include "decode/Decode.h"
#include "decode/TextSearch.h"

#include <QByteArray>
#include <QSet>

namespace Decode {

namespace {

// More continuations than this are not a file name.
constexpr int MostContinuations = 64;

// More parameter names than this are not a header a mail program wrote (a
// file name in RFC 2231 continuations, in both forms, needs 128); the rest of
// such a value is not read.
constexpr qsizetype MostParameters = 256;

bool startsWithAsciiCi(QStringView text, QLatin1StringView lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (qsizetype i = 0; i < lowerPrefix.size(); ++i) {
        if (asciiLower(text[i].unicode()) != char16_t(uchar(lowerPrefix.data()[i])))
            return false;
    }
    return true;
}

// RFC 2231 percent-encoding; a "%" without two hex digits stands for itself.
void appendPercentDecoded(QByteArray& bytes, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1].unicode());
            const int low = hexValue(text[i + 2].unicode());
            if (high >= 0 && low >= 0) {
                bytes.append(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        bytes.append(text.sliced(i, 1).toUtf8());
    }
}

// The segment number of "name*N" or "name*N*", or -1.
int segmentNumber(QStringView parameterName, QLatin1StringView lowerName, bool& extended)
{
    if (parameterName.size() < lowerName.size() + 2 || !parameterName.startsWith(lowerName) ||
        parameterName[lowerName.size()] != u'*')
        return -1;
    QStringView digits = parameterName.sliced(lowerName.size() + 1);
    extended = digits.endsWith(u'*');
    if (extended)
        digits.chop(1);
    if (digits.isEmpty() || digits.size() > 2)
        return -1;
    int number = 0;
    for (const QChar c : digits) {
        if (!c.isDigit() || c.unicode() > u'9')
            return -1;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

} // namespace

std::optional<QString> headerField(QStringView text, QLatin1StringView lowerName)
{
    // Lines are found by their LF (a fast single-character search); the CR
    // in front of it is not part of the line.
    const auto lineEnd = [text](qsizetype from) {
        const qsizetype newline = text.indexOf(u'\n', from);
        if (newline < 0)
            return text.size();
        return newline > from && text[newline - 1] == u'\r' ? newline - 1 : newline;
    };
    const auto nextLine = [text](qsizetype end) {
        return end < text.size() && text[end] == u'\r' ? end + 2 : end + 1;
    };
    qsizetype line = 0;
    while (line < text.size()) {
        qsizetype end = lineEnd(line);
        if (end == line)
            return std::nullopt; // the empty line ends the header block
        const QStringView current = text.sliced(line, end - line);
        if (startsWithAsciiCi(current, lowerName) && current.size() > lowerName.size() &&
            current[lowerName.size()] == u':') {
            QString value = current.sliced(lowerName.size() + 1).toString();
            // RFC 5322 unfolding: a line end followed by white space goes.
            for (qsizetype next = nextLine(end);
                 next < text.size() && (text[next] == u' ' || text[next] == u'\t');
                 next = nextLine(end)) {
                end = lineEnd(next);
                value += text.sliced(next, end - next);
            }
            return value.trimmed();
        }
        line = nextLine(end);
    }
    return std::nullopt;
}

QString MimeValue::parameter(QLatin1StringView lowerName) const
{
    for (const auto& [name, value] : parameters) {
        if (name == lowerName)
            return value;
    }
    return QString();
}

MimeValue parseMimeValue(QStringView value)
{
    MimeValue result;
    qsizetype pos = value.indexOf(u';');
    result.item = (pos < 0 ? value : value.first(pos)).trimmed().toString().toLower();
    if (pos < 0)
        return result;
    const qsizetype size = value.size();
    QSet<QString> names;
    while (pos < size && result.parameters.size() < MostParameters) {
        ++pos; // behind the ";"
        // The "=" or ";" that ends the name: the scan stops at the next ";",
        // so every character is read once however many parameters there are.
        qsizetype equals = pos;
        while (equals < size && value[equals] != u'=' && value[equals] != u';')
            ++equals;
        if (equals == size)
            break;
        if (value[equals] == u';') {
            pos = equals; // a parameter without a value
            continue;
        }
        QString name = value.sliced(pos, equals - pos).trimmed().toString().toLower();
        pos = equals + 1;
        while (pos < size && (value[pos] == u' ' || value[pos] == u'\t'))
            ++pos;
        QString parameterValue;
        if (pos < size && value[pos] == u'"') {
            for (++pos; pos < size && value[pos] != u'"'; ++pos) {
                if (value[pos] == u'\\' && pos + 1 < size)
                    ++pos;
                parameterValue += value[pos];
            }
            pos = value.indexOf(u';', pos);
        } else {
            const qsizetype end = value.indexOf(u';', pos);
            parameterValue =
                (end < 0 ? value.sliced(pos) : value.sliced(pos, end - pos)).trimmed().toString();
            pos = end;
        }
        // Only the first parameter of a name is ever read (parameter(),
        // extendedParameter()), so a repeated one need not be kept.
        if (!names.contains(name)) {
            names.insert(name);
            result.parameters.append({std::move(name), std::move(parameterValue)});
        }
        if (pos < 0)
            break;
    }
    return result;
}

std::optional<QString> extendedParameter(const MimeValue& value, QLatin1StringView lowerName)
{
    // Every segment found, in one pass over the parameters.
    QString segments[MostContinuations];
    bool extendedSegment[MostContinuations] = {};
    bool present[MostContinuations] = {};
    bool any = false;
    for (const auto& [name, text] : value.parameters) {
        if (name.size() == lowerName.size() + 1 && name.startsWith(lowerName) &&
            name.endsWith(u'*')) {
            segments[0] = text; // name*: a single extended value
            extendedSegment[0] = true;
            present[0] = true;
            any = true;
            break;
        }
        bool extended = false;
        const int number = segmentNumber(name, lowerName, extended);
        if (number < 0 || number >= MostContinuations || present[number])
            continue;
        segments[number] = text;
        extendedSegment[number] = extended;
        present[number] = true;
        any = true;
    }
    if (!any || !present[0])
        return std::nullopt;

    QString charset;
    QByteArray bytes;
    QString asWritten;
    for (int k = 0; k < MostContinuations && present[k]; ++k) {
        QStringView segment(segments[k]);
        asWritten += segment;
        if (!extendedSegment[k]) {
            bytes += segment.toUtf8();
            continue;
        }
        if (k == 0) {
            // charset'language'value
            const qsizetype first = segment.indexOf(u'\'');
            const qsizetype second = first < 0 ? -1 : segment.indexOf(u'\'', first + 1);
            if (second >= 0) {
                charset = segment.first(first).toString();
                segment = segment.sliced(second + 1);
            }
        }
        appendPercentDecoded(bytes, segment);
    }
    if (charset.isEmpty())
        return removeNuls(fromCp932(bytes));
    const std::optional<QString> text = textInCharset(bytes, charset);
    return removeNuls(text ? *text : asWritten);
}

} // namespace Decode
