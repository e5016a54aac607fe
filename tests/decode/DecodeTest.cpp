// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"
#include "decode/TextSearch.h"

#include "MailText.h"

#include <QTest>

using namespace MailText;

namespace {

const QString KanjiIn = QStringLiteral("\x1b$B");
const QString AsciiIn = QStringLiteral("\x1b(B");
const QString RomanIn = QStringLiteral("\x1b(J");

QString chars(std::initializer_list<char16_t> codes)
{
    QString text;
    for (const char16_t c : codes)
        text.append(QChar(c));
    return text;
}

} // namespace

class DecodeTest : public QObject
{
    Q_OBJECT

private slots:
    void asciiCaseInsensitiveSearch_data();
    void asciiCaseInsensitiveSearch();
    void headerWords_data();
    void headerWords();
    void base64ByteCount_data();
    void base64ByteCount();
    void jisPair_data();
    void jisPair();
    void runConversion_data();
    void runConversion();
    void conversionRule_data();
    void conversionRule();
    void japaneseRoundTrip_data();
    void japaneseRoundTrip();
    void cp932_data();
    void cp932();
    void cp932AsciiIsIdentity();
};

void DecodeTest::asciiCaseInsensitiveSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("found");

    QTest::addRow("upper case before lower") << "x SUBJECT: a subject: b"
                                             << "subject: " << 0 << 2;
    QTest::addRow("lower case before upper") << "subject: a SUBJECT: b"
                                             << "subject: " << 1 << 11;
    QTest::addRow("mixed case") << "SuBjEcT: x"
                                << "subject: " << 0 << 0;
    QTest::addRow("false starts of both cases") << "sSsubjectSubject: "
                                                << "subject: " << 0 << 9;
    QTest::addRow("full-width letters are not folded") << "ｓｕｂｊｅｃｔ: "
                                                       << "subject: " << 0 << -1;
    QTest::addRow("needle cut off at the end") << "x subj"
                                               << "subject: " << 0 << -1;
    QTest::addRow("not a letter first") << "a=?b=?ISO"
                                        << "=?iso" << 0 << 4;
    QTest::addRow("empty needle") << "abc"
                                  << "" << 2 << 2;
}

void DecodeTest::asciiCaseInsensitiveSearch()
{
    QFETCH(QString, text);
    QFETCH(QString, needle);
    QFETCH(int, from);
    QFETCH(int, found);
    const QByteArray latin1 = needle.toLatin1();
    QCOMPARE(Decode::indexOfAsciiCi(text, QLatin1StringView(latin1), from), qsizetype(found));
}

void DecodeTest::headerWords_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const QString aiu = word(u8("あいう"));
    const QString aiuBytes = jis(u8("あいう"));

    QTest::addRow("plain ASCII unchanged") << latin1("Meeting at 10") << latin1("Meeting at 10");
    QTest::addRow("empty text") << QString() << QString();
    QTest::addRow("Re: before one word") << latin1("Re: ") + aiu << latin1("Re: ") + aiuBytes;
    QTest::addRow("marker in lower case") << latin1("=?iso-2022-jp?b?") + aiu.mid(16) << aiuBytes;
    QTest::addRow("Base64 itself stays case-sensitive")
        << latin1("=?iso-2022-jp?b?YWJJ?= =?ISO-2022-JP?B?YWJj?=") << latin1("abI abc");
    QTest::addRow("space between two words stays")
        << aiu + latin1(" ") + word(u8("えお")) << aiuBytes + latin1(" ") + jis(u8("えお"));
    QTest::addRow("escape sequences come back as bytes")
        << latin1("=?ISO-2022-JP?B?GyRCMCEbKEI=?=") << KanjiIn + latin1("0!") + AsciiIn;
    QTest::addRow("Q encoding untouched")
        << latin1("=?ISO-2022-JP?Q?=1B$B$\"=1B(B?=") << latin1("=?ISO-2022-JP?Q?=1B$B$\"=1B(B?=");
    QTest::addRow("other charset untouched")
        << latin1("=?UTF-8?B?44GC?=") << latin1("=?UTF-8?B?44GC?=");
    QTest::addRow("line break inside Base64 skipped")
        << latin1("=?ISO-2022-JP?B?YWJj\r\n ZGVm?=") << latin1("abcdef");
    QTest::addRow("stray characters skipped")
        << latin1("=?ISO-2022-JP?B?Y*W-J!j?=") << latin1("abc");
    QTest::addRow("unpadded last group read as padded")
        << latin1("=?ISO-2022-JP?B?YWJjZA?=") << latin1("abcd");
    QTest::addRow("group of padding only gives nothing")
        << latin1("=?ISO-2022-JP?B?YQ=====?=") << latin1("a");
    QTest::addRow("padded chunks concatenated")
        << latin1("=?ISO-2022-JP?B?YQ==Yg==?=") << latin1("ab");
    QTest::addRow("marker without closing stays as text")
        << latin1("x ") + aiu + latin1(" =?ISO-2022-JP?B?YWJj and more")
        << latin1("x ") + aiuBytes + latin1(" =?ISO-2022-JP?B?YWJj and more");
    QTest::addRow("long s is not an ASCII S")
        << u8("=?IſO-2022-JP?B?YWJj?=") << u8("=?IſO-2022-JP?B?YWJj?=");
    QTest::addRow("full-width B is not a B")
        << u8("=?ISO-2022-JP?Ｂ?YWJj?=") << u8("=?ISO-2022-JP?Ｂ?YWJj?=");
    QTest::addRow("high byte read as code page 932 katakana")
        << wordOfBytes("\xB1\xB2") << u8("ｱｲ");
    QTest::addRow("high byte pair read as code page 932") << wordOfBytes("\x82\xA0!") << u8("あ!");
    QTest::addRow("lone lead byte replaced")
        << wordOfBytes("a\x82") << latin1("a") + chars({0xFFFD});
}

void DecodeTest::headerWords()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(Decode::DecodeHeaderWords(input), expected);
}

void DecodeTest::base64ByteCount_data()
{
    QTest::addColumn<QString>("base64");
    QTest::addColumn<int>("bytes");

    // k = 2 complete groups before the last one.
    QTest::addRow("two pad characters give 3k+1") << latin1("QUJDREVGRw==") << 7;
    QTest::addRow("one pad character gives 3k+2") << latin1("QUJDREVGR0g=") << 8;
    QTest::addRow("no padding gives 3k+3") << latin1("QUJDREVGR0hJ") << 9;
    QTest::addRow("empty Base64 gives nothing") << QString() << 0;
}

void DecodeTest::base64ByteCount()
{
    QFETCH(QString, base64);
    QFETCH(int, bytes);
    const QString decoded =
        Decode::DecodeHeaderWords(latin1("=?ISO-2022-JP?B?") + base64 + latin1("?="));
    QCOMPARE(decoded.size(), qsizetype(bytes));
    QCOMPARE(decoded, latin1("ABCDEFGHI").left(bytes));
}

void DecodeTest::jisPair_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("expected");

    // Expected characters are code page 932's for the Shift-JIS code named.
    QTest::addRow("0x30 0x21 is 0x889F") << 0x30 << 0x21 << u8("亜");
    QTest::addRow("small a is 0x829F") << 0x24 << 0x21 << u8("ぁ");
    QTest::addRow("a is 0x82A0") << 0x24 << 0x22 << u8("あ");
    QTest::addRow("ideographic space is 0x8140") << 0x21 << 0x21 << chars({0x3000});
    QTest::addRow("even row cell 0x20 is 0x819E") << 0x22 << 0x20 << u8("◇");
    QTest::addRow("odd row cell 0x20 dropped") << 0x21 << 0x20 << QString();
    QTest::addRow("row 0x7F dropped") << 0x7F << 0x21 << QString();
    QTest::addRow("row 0x20 dropped") << 0x20 << 0x21 << QString();
    QTest::addRow("cell 0x7F dropped") << 0x21 << 0x7F << QString();
    QTest::addRow("row byte above 0x7F dropped") << 0xB0 << 0x21 << QString();
    QTest::addRow("trail 0x7E") << 0x21 << 0x5F << u8("×");
    QTest::addRow("trail skips 0x7F to 0x80") << 0x21 << 0x60 << u8("÷");
    QTest::addRow("last lead below 0xA0 is 0x9F") << 0x5D << 0x21 << u8("檗");
    QTest::addRow("first lead above 0xDF is 0xE0") << 0x5F << 0x21 << u8("漾");
    QTest::addRow("wave dash is full-width tilde 0x8160") << 0x21 << 0x41 << chars({0xFF5E});
    QTest::addRow("NEC row 13 circled one 0x8740") << 0x2D << 0x21 << u8("①");
    QTest::addRow("NEC-selected IBM row 89 0xED40") << 0x79 << 0x21 << u8("纊");
    QTest::addRow("NEC-selected IBM row 92 0xEEFC") << 0x7C << 0x7E << u8("＂");
    QTest::addRow("unassigned row 9 replaced") << 0x29 << 0x21 << chars({0xFFFD});
    QTest::addRow("unassigned 0xEFFC replaced") << 0x7E << 0x7E << chars({0xFFFD});
    QTest::addRow("control row byte kept") << 0x0A << 0x41 << latin1("\nA");
    QTest::addRow("control cell byte kept") << 0x41 << 0x0D << latin1("A\r");
    QTest::addRow("NUL kept as a character") << 0x00 << 0x30 << chars({0x00, 0x30});
    QTest::addRow("negative code dropped") << -1 << 0x21 << QString();
    QTest::addRow("code beyond 16 bits dropped") << 0x21 << 0x10021 << QString();
}

void DecodeTest::jisPair()
{
    QFETCH(int, row);
    QFETCH(int, cell);
    QFETCH(QString, expected);
    QCOMPARE(Decode::JisCharToSjis(row, cell), expected);
}

void DecodeTest::runConversion_data()
{
    QTest::addColumn<bool>("roman");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const QString kanji = KanjiIn + latin1("0!") + AsciiIn;
    QTest::addRow("no run unchanged") << false << latin1("plain text") << latin1("plain text");
    QTest::addRow("Re: before a run") << false << latin1("Re: ") + kanji << u8("Re: 亜");
    QTest::addRow("two runs and ASCII between and after")
        << false << kanji + latin1(" and ") + KanjiIn + latin1("$\"") + AsciiIn + latin1(" end")
        << u8("亜 and あ end");
    QTest::addRow("Roman closes with ESC ( J")
        << true << KanjiIn + latin1("0!") + RomanIn + latin1("x") << u8("亜x");
    QTest::addRow("Roman ignores ESC ( B") << true << kanji + latin1("x") << kanji + latin1("x");
    QTest::addRow("Ascii ignores ESC ( J")
        << false << KanjiIn + latin1("0!") + RomanIn + latin1("x")
        << KanjiIn + latin1("0!") + RomanIn + latin1("x");
    QTest::addRow("escape letters without regard to case")
        << false << latin1("\x1b$b0!\x1b(b") << u8("亜");
    QTest::addRow("older designation ESC $ @ opens nothing")
        << false << latin1("\x1b$@0!") + AsciiIn << latin1("\x1b$@0!") + AsciiIn;
    QTest::addRow("odd payload loses its last byte")
        << false << KanjiIn + latin1("0!$") + AsciiIn << u8("亜");
    QTest::addRow("control pair yields both characters")
        << false << KanjiIn + latin1("\r\n0!") + AsciiIn << u8("\r\n亜");
    QTest::addRow("empty run produces nothing")
        << false << latin1("a") + KanjiIn + AsciiIn + latin1("b") << latin1("ab");
    QTest::addRow("NUL ends the text")
        << false << latin1("ab") + KanjiIn + chars({0x00, 0x30}) + AsciiIn + latin1("cd")
        << latin1("ab");
    QTest::addRow("NUL outside runs ends the text")
        << false << latin1("ab") + chars({0x00}) + latin1("cd") << latin1("ab");
    QTest::addRow("unterminated run kept with all after it")
        << false << kanji + latin1(" ") + KanjiIn + latin1("0!$\"")
        << u8("亜 ") + KanjiIn + latin1("0!$\"");
    QTest::addRow("encoded word inside a run decoded before pairing")
        << false << KanjiIn + latin1("=?ISO-2022-JP?B?MCEkIg==?=") + AsciiIn << u8("亜あ");
    QTest::addRow("invalid pairs dropped, valid ones kept")
        << false << KanjiIn + latin1("!  !0!") + AsciiIn << u8("亜");
}

void DecodeTest::runConversion()
{
    QFETCH(bool, roman);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(roman ? Decode::JisToSjisRoman(input) : Decode::JisToSjisAscii(input), expected);
}

void DecodeTest::conversionRule_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::addRow("ESC ( J run in a text without ESC ( B")
        << KanjiIn + latin1("0!") + RomanIn + latin1(" x") << u8("亜 x");
    // Read by the Ascii converter, the ESC ( J run extends to the ESC ( B: its
    // escape and "(" are a control pair, "J$" is JIS 0x4A24 (Shift-JIS 0x95A2)
    // and the odd '"' is lost.
    QTest::addRow("ESC ( J run extends to the next ESC ( B")
        << KanjiIn + latin1("0!") + RomanIn + latin1("$\"") + AsciiIn << u8("亜\x1b(覆");
    QTest::addRow("lower case ESC ( b does not choose the Ascii converter")
        << KanjiIn + latin1("0!\x1b(b") << KanjiIn + latin1("0!\x1b(b");
    QTest::addRow("no run passes unchanged") << latin1("abc\tdef") << latin1("abc\tdef");
}

void DecodeTest::conversionRule()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(Decode::convertJis(input), expected);
}

void DecodeTest::japaneseRoundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::addRow("kanji and kana") << u8("日本語のメールです。");
    QTest::addRow("mixed with ASCII") << u8("会議は10時から、room 3です");
    QTest::addRow("NEC row 13 and full-width tilde") << u8("①②③ ～ Ⅰ ㈱");
    QTest::addRow("symbols") << u8("【重要】「お知らせ」※◎");
}

void DecodeTest::japaneseRoundTrip()
{
    QFETCH(QString, text);
    QCOMPARE(Decode::convertJis(jis(text)), text);
    QCOMPARE(Decode::convertJis(Decode::DecodeHeaderWords(word(text))), text);
}

void DecodeTest::cp932_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::addRow("0x8160 is full-width tilde") << QByteArray("\x81\x60") << chars({0xFF5E});
    QTest::addRow("0x815F is full-width backslash") << QByteArray("\x81\x5F") << chars({0xFF3C});
    QTest::addRow("0x817C is full-width minus") << QByteArray("\x81\x7C") << chars({0xFF0D});
    QTest::addRow("NEC row 13 0x8740") << QByteArray("\x87\x40") << u8("①");
    QTest::addRow("NEC row 13 0x8754") << QByteArray("\x87\x54") << u8("Ⅰ");
    QTest::addRow("IBM extension 0xFA40") << QByteArray("\xFA\x40") << u8("ⅰ");
    QTest::addRow("IBM extension 0xFC4B") << QByteArray("\xFC\x4B") << u8("黑");
    QTest::addRow("NEC-selected IBM 0xED40") << QByteArray("\xED\x40") << u8("纊");
    QTest::addRow("user-defined area") << QByteArray("\xF0\x40") << chars({0xE000});
    QTest::addRow("0x5C stays backslash") << QByteArray("\\~") << latin1("\\~");
    QTest::addRow("control codes not swapped")
        << QByteArray("\x1a\x1c\x7f") << chars({0x1A, 0x1C, 0x7F});
    QTest::addRow("half-width katakana") << QByteArray("\xB1\xDF") << u8("ｱﾟ");
    QTest::addRow("unassigned single bytes replaced")
        << QByteArray("\x80\xA0\xFD\xFE\xFF") << chars({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD});
    QTest::addRow("unassigned pair replaced") << QByteArray("\x85\x40") << chars({0xFFFD});
    QTest::addRow("lead byte before CR LF keeps the line end")
        << QByteArray("a\x82\r\nb") << latin1("a") + chars({0xFFFD}) + latin1("\r\nb");
    QTest::addRow("lead byte at the end replaced")
        << QByteArray("a\x82") << latin1("a") + chars({0xFFFD});
    QTest::addRow("NUL kept") << QByteArray("a\0b", 3) << chars({u'a', 0, u'b'});
    QTest::addRow("valid UTF-8 read as UTF-8")
        << QByteArray("Subject: \xe4\xbc\x9a\xe8\xad\xb0\r\n") << u8("Subject: 会議\r\n");
    QTest::addRow("UTF-8 line and Shift-JIS line each read their own way")
        << QByteArray("\xe4\xbc\x9a\r\n\x89\xef\r\n") << u8("会\r\n会\r\n");
    QTest::addRow("Shift-JIS subject line")
        << QByteArray("Subject: \x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9\r\n")
        << u8("Subject: 会議のお知らせ\r\n");
}

void DecodeTest::cp932()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(Decode::fromCp932(bytes), expected);
}

void DecodeTest::cp932AsciiIsIdentity()
{
    QByteArray bytes;
    for (int b = 0; b < 0x80; ++b)
        bytes.append(char(b));
    const QString text = Decode::fromCp932(bytes);
    QCOMPARE(text.size(), bytes.size());
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text.at(b).unicode(), char16_t(b));
    // The same with a double-byte character in front (the slow path).
    QCOMPARE(Decode::fromCp932(QByteArray("\x88\x9F") + bytes), u8("亜") + text);
}

QTEST_GUILESS_MAIN(DecodeTest)
#include "DecodeTest.moc"
