// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"

#include "decode/Base64Alphabet.h"
#include "decode/ConvertJisView.h"
#include "decode/Cp932Table.h"
#include "decode/TextSearch.h"

namespace Decode {

namespace {

constexpr QLatin1StringView WordMarker("=?iso-2022-jp?b?");
constexpr char16_t Escape = 0x1B;
constexpr int Padding = -1;
constexpr int NotBase64 = -2;

// The alphabet's value, Padding for "=", NotBase64 for anything else.
int groupValue(char16_t c)
{
    if (c == u'=')
        return Padding;
    const int value = base64Value(c);
    return value < 0 ? NotBase64 : value;
}

// One group of four Base64 values (Padding for "=" or a missing character):
// byte 1 always, byte 2 unless the third is padding, byte 3 unless the
// fourth is. A group that starts with padding carries no data and gives
// nothing.
void appendGroup(QByteArray& bytes, const int (&v)[4])
{
    if (v[0] == Padding)
        return;
    const int second = v[1] == Padding ? 0 : v[1];
    const int third = v[2] == Padding ? 0 : v[2];
    bytes.append(char(v[0] * 4 + second / 16));
    if (v[2] != Padding)
        bytes.append(char((second % 16) * 16 + third / 4));
    if (v[3] != Padding)
        bytes.append(char((third % 4) * 64 + v[3]));
}

QByteArray decodeBase64(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    int group[4];
    int filled = 0;
    for (const QChar c : text) {
        const int value = groupValue(c.unicode());
        if (value == NotBase64)
            continue; // white space, line breaks and stray characters
        group[filled++] = value;
        if (filled == 4) {
            appendGroup(bytes, group);
            filled = 0;
        }
    }
    if (filled > 0) {
        for (int k = filled; k < 4; ++k)
            group[k] = Padding;
        appendGroup(bytes, group);
    }
    return bytes;
}

// ESC, second, third (third without regard to case) at or after from.
qsizetype findEscape(QStringView text, qsizetype from, char16_t second, char16_t lowerThird)
{
    for (;;) {
        const qsizetype esc = text.indexOf(QChar(Escape), from);
        if (esc < 0 || esc + 2 >= text.size())
            return -1;
        if (text[esc + 1].unicode() == second && asciiLower(text[esc + 2].unicode()) == lowerThird)
            return esc;
        from = esc + 1;
    }
}

void appendJisPair(QString& out, char16_t row, char16_t cell, const char16_t* cp932)
{
    if (row < 0x20 || cell < 0x20) {
        out.append(QChar(row));
        out.append(QChar(cell));
        return;
    }
    unsigned t1 = row - 32u;
    unsigned t2 = cell - 32u;
    if (t1 == 0 || t1 > 94 || t2 > 94)
        return;
    if (t1 % 2 == 0)
        t2 += 94;
    t1 = (t1 - 1) / 2;
    const unsigned lead = t1 <= 30 ? t1 + 0x81 : t1 + 0xC1;
    if (t2 == 0)
        return;
    const unsigned trail = t2 <= 63 ? t2 + 0x3F : t2 + 0x40;
    out.append(QChar(cp932[lead << 8 | trail]));
}

QString cutAtNul(QString text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

// The payload of one kanji run (opening sequence through closing sequence)
// read as row/cell pairs; the three characters at each end are skipped.
void appendRun(QString& out, QStringView run, const char16_t* cp932)
{
    QString decoded;
    if (run.contains(u"=?")) { // cannot hold an encoded word otherwise
        decoded = DecodeHeaderWords(run.toString());
        run = decoded;
    }
    for (qsizetype i = 3; i + 4 < run.size(); i += 2)
        appendJisPair(out, run[i].unicode(), run[i + 1].unicode(), cp932);
}

// original, when given, is the QString that view shows: a text without runs
// is then returned without a copy.
QString convertRuns(QStringView view, char16_t lowerCloser, const QString* original)
{
    qsizetype open = findEscape(view, 0, u'$', u'b');
    if (open < 0)
        return cutAtNul(original ? *original : view.toString());
    const char16_t* cp932 = cp932DoubleByteTable();
    QString out;
    out.reserve(view.size());
    qsizetype pos = 0;
    while (open >= 0) {
        const qsizetype close = findEscape(view, open + 3, u'(', lowerCloser);
        if (close < 0)
            break; // the unterminated run and all after it stay as they are
        out.append(view.sliced(pos, open - pos));
        appendRun(out, view.sliced(open, close + 3 - open), cp932);
        pos = close + 3;
        open = findEscape(view, pos, u'$', u'b');
    }
    out.append(view.sliced(pos));
    return cutAtNul(std::move(out));
}

} // namespace

QString decodeEncodedWords(const QString& text, OldKanjiDesignation old)
{
    qsizetype marker = indexOfAsciiCi(text, WordMarker);
    if (marker < 0)
        return text;
    const QStringView view(text);
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (marker >= 0) {
        const qsizetype base64 = marker + WordMarker.size();
        const qsizetype close = view.indexOf(u"?=", base64);
        if (close < 0)
            break; // an unterminated word stays undecoded, with all after it
        out.append(view.sliced(pos, marker - pos));
        QString word = cp932Text(decodeBase64(view.sliced(base64, close - base64)));
        if (old == OldKanjiDesignation::Delete)
            word.remove(QStringLiteral("\x1b$@"));
        out.append(word);
        pos = close + 2;
        marker = indexOfAsciiCi(view, WordMarker, pos);
    }
    out.append(view.sliced(pos));
    return out;
}

QString DecodeHeaderWords(const QString& text)
{
    return decodeEncodedWords(text, OldKanjiDesignation::Keep);
}

QString JisCharToSjis(int row, int cell)
{
    QString out;
    if (row < 0 || row > 0xFFFF || cell < 0 || cell > 0xFFFF)
        return out;
    appendJisPair(out, char16_t(row), char16_t(cell), cp932DoubleByteTable());
    return out;
}

QString JisToSjisAscii(const QString& text)
{
    return convertRuns(text, u'b', &text);
}

QString JisToSjisRoman(const QString& text)
{
    return convertRuns(text, u'j', &text);
}

QString convertJis(const QString& text)
{
    return text.contains(QStringLiteral("\x1b(B")) ? JisToSjisAscii(text) : JisToSjisRoman(text);
}

QString convertJisView(QStringView text)
{
    return convertRuns(text, text.contains(QStringLiteral("\x1b(B")) ? u'b' : u'j', nullptr);
}

QString removeNuls(QString text)
{
    text.remove(QChar(0));
    return text;
}

} // namespace Decode
