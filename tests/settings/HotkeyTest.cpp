// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Hotkey.h"

#include <QTest>

using namespace Settings;

class HotkeyTest : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void commandNames();
};

void HotkeyTest::decode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Hotkey::Modifier>("modifier");
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<QString>("text");

    using M = Hotkey::Modifier;
    QTest::addRow("0 is none") << 0 << M::None << 0 << QString();
    QTest::addRow("negative is none") << -113 << M::None << 0 << QString();
    QTest::addRow("first letter") << 65 << M::Ctrl << 65 << QStringLiteral("Ctrl+A");
    QTest::addRow("90 is Ctrl+Z") << 90 << M::Ctrl << 90 << QStringLiteral("Ctrl+Z");
    QTest::addRow("112 is Ctrl+F1") << 112 << M::Ctrl << 112 << QStringLiteral("Ctrl+F1");
    QTest::addRow("default settings key") << 113 << M::Ctrl << 113 << QStringLiteral("Ctrl+F2");
    QTest::addRow("last Ctrl function key") << 127 << M::Ctrl << 127 << QStringLiteral("Ctrl+F16");
    QTest::addRow("digit key") << 49 << M::Ctrl << 49 << QStringLiteral("Ctrl+1");
    QTest::addRow("last Ctrl code") << 199 << M::Ctrl << 199 << QStringLiteral("Ctrl+0xC7");
    QTest::addRow("first Shift code") << 200 << M::Shift << 100 << QStringLiteral("Shift+0x64");
    QTest::addRow("212 is Shift+F1") << 212 << M::Shift << 112 << QStringLiteral("Shift+F1");
    QTest::addRow("227 is Shift+F16") << 227 << M::Shift << 127 << QStringLiteral("Shift+F16");
    QTest::addRow("largest code") << 32767 << M::Shift << 32667 << QStringLiteral("Shift+0x7F9B");
}

void HotkeyTest::decode()
{
    QFETCH(int, code);
    QFETCH(Hotkey::Modifier, modifier);
    QFETCH(int, virtualKey);
    QFETCH(QString, text);
    const Hotkey key = decodeHotkey(qint16(code));
    QCOMPARE(key.modifier, modifier);
    QCOMPARE(key.virtualKey, virtualKey);
    QCOMPARE(hotkeyText(qint16(code)), text);
}

void HotkeyTest::commandNames()
{
    const QStringList names{QStringLiteral("設定"),         QStringLiteral("メールチェック"),
                            QStringLiteral("ポップアップ"), QStringLiteral("メーラー1"),
                            QStringLiteral("メーラー2"),    QStringLiteral("終了")};
    for (int digit = 0; digit < 6; ++digit)
        QCOMPARE(hotkeyCommandName(digit), names.at(digit));
    QVERIFY(hotkeyCommandName(6).isEmpty());
    QVERIFY(hotkeyCommandName(-1).isEmpty());
}

QTEST_GUILESS_MAIN(HotkeyTest)
#include "HotkeyTest.moc"
