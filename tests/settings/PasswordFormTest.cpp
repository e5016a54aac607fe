// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PasswordForm.h"
#include "settings/Cp932.h"
#include "settings/TextForms.h"

#include <QTest>

using namespace Settings;

namespace {

QString ucs4(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// A double-byte code as the stored 16-bit signed number.
int dbcs(quint16 code)
{
    return qint16(code);
}

} // namespace

class PasswordFormTest : public QObject
{
    Q_OBJECT

private slots:
    void cp932Code_data();
    void cp932Code();
    void cp932Character_data();
    void cp932Character();
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void codePointTokensAreNotNumbers();
};

void PasswordFormTest::cp932Code_data()
{
    QTest::addColumn<uint>("character");
    QTest::addColumn<bool>("representable");
    QTest::addColumn<int>("code");

    QTest::addRow("0x5C is the backslash") << uint(0x5C) << true << 0x5C;
    QTest::addRow("0x7E is the tilde") << uint(0x7E) << true << 0x7E;
    QTest::addRow("half-width katakana") << uint(0xFF71) << true << 0xB1;
    QTest::addRow("hiragana a") << uint(0x3042) << true << dbcs(0x82A0);
    QTest::addRow("full-width tilde at 0x8160") << uint(0xFF5E) << true << dbcs(0x8160);
    QTest::addRow("NEC row 13 circled one") << uint(0x2460) << true << dbcs(0x8740);
    QTest::addRow("IBM extension small roman one") << uint(0x2170) << true << dbcs(0xFA40);
    QTest::addRow("yen sign not best-fit to backslash") << uint(0xA5) << false << 0;
    QTest::addRow("wave dash not best-fit to 0x8160") << uint(0x301C) << false << 0;
}

void PasswordFormTest::cp932Code()
{
    QFETCH(uint, character);
    QFETCH(bool, representable);
    QFETCH(int, code);
    const std::optional<qint16> result = Settings::cp932Code(character);
    QCOMPARE(result.has_value(), representable);
    if (representable)
        QCOMPARE(int(*result), code);
}

void PasswordFormTest::cp932Character_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<uint>("character");

    QTest::addRow("NEC-selected IBM duplicate") << dbcs(0xEEEF) << true << uint(0x2170);
    QTest::addRow("IBM duplicate of the not sign") << dbcs(0xFA54) << true << uint(0xFFE2);
    QTest::addRow("double byte given as positive") << 0x82A0 << true << uint(0x3042);
    QTest::addRow("0x80 unassigned") << 0x80 << false << 0u;
    QTest::addRow("lead byte alone") << 0x82 << false << 0u;
    QTest::addRow("two ASCII bytes") << 0x4142 << false << 0u;
    QTest::addRow("beyond 16 bits") << 70000 << false << 0u;
}

void PasswordFormTest::cp932Character()
{
    QFETCH(int, code);
    QFETCH(bool, valid);
    QFETCH(uint, character);
    const std::optional<char32_t> result = Settings::cp932Character(code);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(uint(*result), character);
}

void PasswordFormTest::encode_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("stored");

    QTest::addRow("ascii") << QStringLiteral("abc") << QStringLiteral("97 98 99 ");
    QTest::addRow("empty") << QString() << QString();
    QTest::addRow("double byte is negative") << ucs4(0x3042) << QStringLiteral("-32096 ");
    QTest::addRow("half-width katakana") << ucs4(0xFF71) << QStringLiteral("177 ");
    QTest::addRow("euro as code point") << ucs4(0x20AC) << QStringLiteral("U+20AC ");
    QTest::addRow("hangul as code point") << ucs4(0xD55C) << QStringLiteral("U+D55C ");
    QTest::addRow("emoji as one code point") << ucs4(0x1F600) << QStringLiteral("U+1F600 ");
    QTest::addRow("yen sign kept apart from backslash") << ucs4(0xA5) << QStringLiteral("U+00A5 ");
    QTest::addRow("wave dash kept apart from 0x8160") << ucs4(0x301C) << QStringLiteral("U+301C ");
    QTest::addRow("lone surrogate") << QString(QChar(0xD800)) << QStringLiteral("U+D800 ");
    QTest::addRow("mixed") << QStringLiteral("a") + ucs4(0x20AC) + QStringLiteral("b")
                           << QStringLiteral("97 U+20AC 98 ");
    QTest::addRow("NUL character") << QString(QChar(0)) << QStringLiteral("0 ");
}

void PasswordFormTest::encode()
{
    QFETCH(QString, plain);
    QFETCH(QString, stored);
    QCOMPARE(EncodePassword(plain), stored);
    QCOMPARE(DecodePassword(stored), plain);
}

void PasswordFormTest::decode_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("plain");

    // Issue 10: an unquoted INI value loses its trailing space.
    QTest::addRow("final number without its space")
        << QStringLiteral("112 97 115 115 49") << QStringLiteral("pass1");
    QTest::addRow("stored empty password") << QStringLiteral("0") << QString();
    QTest::addRow("repeated spaces skipped") << QStringLiteral("97   98 ") << QStringLiteral("ab");
    QTest::addRow("plain text is no password") << QStringLiteral("secret") << QString();
    QTest::addRow("garbage token appends nothing")
        << QStringLiteral("97 x 98 ") << QStringLiteral("ab");
    QTest::addRow("unassigned code appends nothing")
        << QStringLiteral("97 128 98 ") << QStringLiteral("ab");
    QTest::addRow("out of range appends nothing") << QStringLiteral("70000 -40000 ") << QString();
    QTest::addRow("double byte given as positive") << QStringLiteral("33440 ") << ucs4(0x3042);
    QTest::addRow("code point beyond Unicode") << QStringLiteral("U+110000 ") << QString();
    QTest::addRow("code point with bad digits") << QStringLiteral("U+20AG ") << QString();
    QTest::addRow("code point in lower case") << QStringLiteral("u+20ac ") << QString();
    QTest::addRow("final code point without space")
        << QStringLiteral("97 U+20AC") << QStringLiteral("a") + ucs4(0x20AC);
    QTest::addRow("NUL password") << QStringLiteral("0 ") << QString(QChar(0));
}

void PasswordFormTest::decode()
{
    QFETCH(QString, stored);
    QFETCH(QString, plain);
    QCOMPARE(DecodePassword(stored), plain);
}

// A reader that knows only the numeric form appends nothing for a token
// that is not a number, and so still reads the rest of the password.
void PasswordFormTest::codePointTokensAreNotNumbers()
{
    const QString stored = EncodePassword(ucs4(0x20AC) + ucs4(0x1F600) + ucs4(0xA5));
    const auto tokens = QStringView(stored).split(u' ', Qt::SkipEmptyParts);
    QCOMPARE(tokens.size(), 3);
    for (const QStringView token : tokens)
        QVERIFY2(!toLong(token) && !toInteger(token), qPrintable(token.toString()));
}

QTEST_GUILESS_MAIN(PasswordFormTest)
#include "PasswordFormTest.moc"
