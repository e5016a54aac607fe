// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/MimeWords.h"

#include "decode/Base64Alphabet.h"

#include "decode/Charset.h"
#include "decode/TextSearch.h"

#include <algorithm>

namespace Decode {

namespace {

// RFC 2047 charsets are short tokens; a longer run is not a word.
constexpr qsizetype LongestCharset = 64;

// RFC 2047 token characters: printable ASCII without especials.
bool isTokenCharacter(char16_t c)
{
    if (c <= u' ' || c >= 0x7F)
        return false;
    return QStringView(u"()<>@,;:\"/[]?.=").indexOf(QChar(c)) < 0;
}

bool isWordTextCharacter(char16_t c)
{
    return c > u' ' && c < 0x7F && c != u'?';
}

bool isFoldingWhiteSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct EncodedWord
{
    qsizetype end = 0; // behind the closing "?="
    QStringView charset;
    char16_t encoding = 0; // 'b' or 'q'
    QStringView text;
};

// The word whose "=?" is at position at, or an empty optional; resume is then
// where the search for the next "=?" may go on without missing one.
std::optional<EncodedWord> wordAt(QStringView text, qsizetype at, qsizetype& resume)
{
    resume = at + 1;
    const qsizetype size = text.size();
    qsizetype i = at + 2;
    while (i < size && i - at - 2 <= LongestCharset && isTokenCharacter(text[i].unicode()))
        ++i;
    if (i == at + 2 || i + 2 >= size || text[i] != u'?' || text[i + 2] != u'?')
        return std::nullopt;
    const char16_t encoding = asciiLower(text[i + 1].unicode());
    if (encoding != u'b' && encoding != u'q')
        return std::nullopt;
    const qsizetype textStart = i + 3;
    qsizetype j = textStart;
    while (j < size && isWordTextCharacter(text[j].unicode()))
        ++j;
    if (j + 1 >= size || text[j] != u'?' || text[j + 1] != u'=') {
        // No "?" or white space lies between textStart and j, so the next
        // "=?" cannot begin before j - 1.
        resume = std::max(at + 1, j - 1);
        return std::nullopt;
    }
    return EncodedWord{j + 2, text.sliced(at + 2, i - at - 2), encoding,
                       text.sliced(textStart, j - textStart)};
}

} // namespace

std::optional<QByteArray> decodeWordBase64(QStringView text)
{
    qsizetype length = text.size();
    qsizetype padding = 0;
    while (length > 0 && padding < 2 && text[length - 1] == u'=') {
        --length;
        ++padding;
    }
    if (length % 4 == 1 || (padding > 0 && (length + padding) % 4 != 0))
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(length * 3 / 4);
    unsigned bits = 0;
    int count = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const int value = base64Value(text[i].unicode());
        if (value < 0)
            return std::nullopt;
        bits = bits << 6 | unsigned(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.append(char((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

std::optional<QByteArray> decodeWordQ(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'_') {
            bytes.append(' ');
        } else if (c == u'=') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1].unicode());
            const int low = hexValue(text[i + 2].unicode());
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes.append(char(high * 16 + low));
            i += 2;
        } else if (isWordTextCharacter(c)) {
            bytes.append(char(c));
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

QString decodeMimeWords(const QString& text, OldKanjiDesignation old)
{
    if (!text.contains(u"=?"))
        return text;
    const QStringView view(text);
    QString out;
    out.reserve(text.size());

    // The run of adjacent words in one charset not yet written out.
    qsizetype copied = 0; // text before this position is in out or the run
    bool inRun = false;
    QStringView runCharset;
    QByteArray runBytes;
    const auto flushRun = [&] {
        if (!inRun)
            return;
        inRun = false;
        QByteArray bytes = std::move(runBytes);
        runBytes.clear();
        const bool jis = runCharset.compare(u"iso-2022-jp", Qt::CaseInsensitive) == 0;
        if (jis && old == OldKanjiDesignation::Delete)
            bytes.replace(QByteArrayView("\x1b$@"), QByteArrayView());
        QString decoded = textInCharset(bytes, runCharset).value_or(QString());
        decoded.remove(QChar(0));
        decoded.remove(QChar(u'\t'));
        out += decoded;
    };

    QStringView knownCharset;
    qsizetype search = 0;
    for (;;) {
        const qsizetype at = view.indexOf(u"=?", search);
        if (at < 0)
            break;
        qsizetype resume = at + 1;
        const std::optional<EncodedWord> word = wordAt(view, at, resume);
        if (!word) {
            search = resume;
            continue;
        }
        search = word->end;
        if (word->encoding == u'b' &&
            word->charset.compare(u"iso-2022-jp", Qt::CaseInsensitive) == 0)
            continue; // left undecoded by the ISO-2022-JP path; stays so
        std::optional<QByteArray> bytes =
            word->encoding == u'b' ? decodeWordBase64(word->text) : decodeWordQ(word->text);
        if (!bytes)
            continue; // malformed: stays as written
        // Asking Qt about a charset opens a converter: ask once per name in a row.
        if (word->charset.compare(knownCharset, Qt::CaseInsensitive) != 0) {
            if (!textInCharset(QByteArrayView(), word->charset))
                continue; // unknown: stays as written
            knownCharset = word->charset;
        }
        const QStringView between = view.sliced(copied, at - copied);
        const bool adjacent = inRun && std::all_of(between.begin(), between.end(), [](QChar c) {
                                  return isFoldingWhiteSpace(c.unicode());
                              });
        if (adjacent && word->charset.compare(runCharset, Qt::CaseInsensitive) == 0) {
            runBytes += *bytes; // one character may be split across the two words
        } else {
            flushRun();
            if (!adjacent)
                out += between;
            inRun = true;
            runCharset = word->charset;
            runBytes = std::move(*bytes);
        }
        copied = word->end;
    }
    flushRun();
    out += view.sliced(copied);
    return out;
}

} // namespace Decode
