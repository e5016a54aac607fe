// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextForms.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Settings;

class TextFormsTest : public QObject
{
    Q_OBJECT

private slots:
    void toInteger_data();
    void toInteger();
    void toLong_data();
    void toLong();
    void clampToInteger_data();
    void clampToInteger();
    void saveValue_data();
    void saveValue();
};

void TextFormsTest::toInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::addRow("plain") << QStringLiteral("123") << true << 123;
    QTest::addRow("negative") << QStringLiteral("-5") << true << -5;
    QTest::addRow("plus sign") << QStringLiteral("+7") << true << 7;
    QTest::addRow("surrounding spaces and tabs") << QStringLiteral(" \t42  ") << true << 42;
    QTest::addRow("half rounds down to even") << QStringLiteral("2.5") << true << 2;
    QTest::addRow("half rounds up to even") << QStringLiteral("3.5") << true << 4;
    QTest::addRow("negative half to even") << QStringLiteral("-2.5") << true << -2;
    QTest::addRow("just above half") << QStringLiteral("2.5001") << true << 3;
    QTest::addRow("fraction only") << QStringLiteral(".6") << true << 1;
    QTest::addRow("trailing dot") << QStringLiteral("5.") << true << 5;
    QTest::addRow("largest") << QStringLiteral("32767") << true << 32767;
    QTest::addRow("smallest") << QStringLiteral("-32768") << true << -32768;
    QTest::addRow("rounds past largest") << QStringLiteral("32767.5") << false << 0;
    QTest::addRow("one past largest") << QStringLiteral("32768") << false << 0;
    QTest::addRow("far too long") << QStringLiteral("99999999999999999999999") << false << 0;
    QTest::addRow("empty") << QString() << false << 0;
    QTest::addRow("spaces only") << QStringLiteral("   ") << false << 0;
    QTest::addRow("sign only") << QStringLiteral("-") << false << 0;
    QTest::addRow("dot only") << QStringLiteral(".") << false << 0;
    QTest::addRow("trailing letters") << QStringLiteral("12a") << false << 0;
    QTest::addRow("inner space") << QStringLiteral("1 2") << false << 0;
    QTest::addRow("exponent") << QStringLiteral("1e3") << false << 0;
    QTest::addRow("digit grouping") << QStringLiteral("1,000") << false << 0;
}

void TextFormsTest::toInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<qint16> result = Settings::toInteger(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(qint64(*result), qint64(value));
}

void TextFormsTest::toLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");

    QTest::addRow("default background") << QStringLiteral("16777088") << true << qint64(16777088);
    QTest::addRow("largest") << QStringLiteral("2147483647") << true << qint64(2147483647);
    QTest::addRow("smallest") << QStringLiteral("-2147483648") << true << qint64(-2147483648LL);
    QTest::addRow("one past largest") << QStringLiteral("2147483648") << false << qint64(0);
    QTest::addRow("empty") << QStringLiteral("") << false << qint64(0);
}

void TextFormsTest::toLong()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    const std::optional<qint32> result = Settings::toLong(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(qint64(*result), qint64(value));
}

void TextFormsTest::clampToInteger_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("clamped");
    QTest::addRow("fits") << qint64(8730) << 8730;
    QTest::addRow("oversized window") << qint64(40000) << 32767;
    QTest::addRow("far negative") << qint64(-70000) << -32768;
}

void TextFormsTest::clampToInteger()
{
    QFETCH(qint64, value);
    QFETCH(int, clamped);
    QCOMPARE(int(Settings::clampToInteger(value)), clamped);
}

void TextFormsTest::saveValue_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");

    QTest::addRow("text wins") << QStringLiteral("Aname1") << 5 << QStringLiteral("x")
                               << QStringLiteral("x");
    QTest::addRow("number when text empty")
        << QStringLiteral("Portno1") << 110 << QString() << QStringLiteral("110");
    QTest::addRow("negative number")
        << QStringLiteral("Option1value") << -1 << QString() << QStringLiteral("-1");
    QTest::addRow("empty account text stored as 0")
        << QStringLiteral("Wavdir2_1") << 0 << QString() << QStringLiteral("0");
    QTest::addRow("empty Mailerdir1")
        << QStringLiteral("Mailerdir1") << 0 << QString() << QString();
    QTest::addRow("empty Mailerdir2")
        << QStringLiteral("Mailerdir2") << 0 << QString() << QString();
    QTest::addRow("empty Wavdir") << QStringLiteral("Wavdir") << 0 << QString() << QString();
    QTest::addRow("key comparison is case-sensitive")
        << QStringLiteral("wavdir") << 0 << QString() << QStringLiteral("0");
}

void TextFormsTest::saveValue()
{
    QFETCH(QString, key);
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(QString, stored);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavowatch.ini"));
    {
        SettingsStore store(path);
        SaveValue(store, key, qint16(number), text);
    }
    const SettingsStore reread(path);
    const QString absent = QStringLiteral("<absent>");
    QCOMPARE(reread.get(key, absent), stored);
}

QTEST_GUILESS_MAIN(TextFormsTest)
#include "TextFormsTest.moc"
