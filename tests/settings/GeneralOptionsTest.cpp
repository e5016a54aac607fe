// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GeneralOptions.h"
#include "settings/Hotkey.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Settings;

namespace {
const QString absent = QStringLiteral("<absent>");
}

class GeneralOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyStoreDefaults();
    void badValueKeepsDefault_data();
    void badValueKeepsDefault();
    void saveGeneralOptionsWritesItsKeysOnly();
    void windowLayoutRoundTrip();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

void GeneralOptionsTest::init()
{
    m_store.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("tavowatch.ini")));
}

void GeneralOptionsTest::emptyStoreDefaults()
{
    const GeneralOptions o = loadGeneralOptions(*m_store);
    QCOMPARE(o.accountno, 0);
    const std::array<qint16, 9> options{o.Option1value, o.Option2value, o.Option3value,
                                        o.Option4value, o.Option5value, o.Option6value,
                                        o.Option7value, o.Option8value, o.Option9value};
    QCOMPARE(options, (std::array<qint16, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
    QCOMPARE(o.Checktimerval, 0);
    QCOMPARE(o.Closetimerval, 0);
    QCOMPARE(o.Timeupval, 1);
    QCOMPARE(o.Lighttimerval, 5);
    QVERIFY(o.Mailerdir1.isEmpty() && o.Mailerdir2.isEmpty() && o.Wavdir.isEmpty());
    QStringList hotkeys;
    for (const qint16 code : o.Hotkeynum)
        hotkeys << hotkeyText(code);
    QCOMPARE(hotkeys.join(u' '), QStringLiteral("Ctrl+F2 Ctrl+F3 Ctrl+F4 Ctrl+F5 Ctrl+F6 Ctrl+F7"));
    QCOMPARE(o.grdWidth, (std::array<qint16, 6>{260, 260, 130, 2740, 4770, 300}));
    QCOMPARE(o.frmWidth, 8730);
    QCOMPARE(o.frmHeight, 4710);
}

void GeneralOptionsTest::badValueKeepsDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addRow("timer not a number") << "Timeupval"
                                        << "abc";
    QTest::addRow("empty hotkey") << "Hotkeynum2"
                                  << "";
    QTest::addRow("column width beyond Integer") << "grdWidth3"
                                                 << "40000";
    QTest::addRow("exponent form") << "frmWidth"
                                   << "1.5e3";
}

void GeneralOptionsTest::badValueKeepsDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    m_store->save(key, text);
    m_store->save(QStringLiteral("Option3value"), QStringLiteral("0"));
    GeneralOptions expected;
    expected.Option3value = 0;
    QCOMPARE(loadGeneralOptions(*m_store), expected);
}

void GeneralOptionsTest::saveGeneralOptionsWritesItsKeysOnly()
{
    GeneralOptions o;
    o.accountno = 2;
    o.Option9value = 1;
    o.Checktimerval = 10;
    o.Mailerdir2 = QStringLiteral("\"/usr/bin/thunderbird\" -mail");
    o.Hotkeynum = {0, 90, 112, 212, 227, 65};
    o.grdWidth[0] = 999;
    o.frmWidth = 1234;
    saveGeneralOptions(*m_store, o);

    const SettingsStore reread(m_store->filePath());
    QCOMPARE(reread.get(QStringLiteral("Mailerdir1"), absent), QString());
    QCOMPARE(reread.get(QStringLiteral("Wavdir"), absent), QString());
    QCOMPARE(reread.get(QStringLiteral("Hotkeynum0"), absent), QStringLiteral("0"));
    QCOMPARE(reread.get(QStringLiteral("grdWidth0"), absent), absent);
    QCOMPARE(reread.get(QStringLiteral("frmWidth"), absent), absent);

    GeneralOptions expected = o;
    expected.grdWidth = GeneralOptions{}.grdWidth;
    expected.frmWidth = GeneralOptions{}.frmWidth;
    QCOMPARE(loadGeneralOptions(reread), expected);
}

void GeneralOptionsTest::windowLayoutRoundTrip()
{
    const std::array<qint16, 6> widths{100, 200, 300, 400, 500, 600};
    saveWindowLayout(*m_store, widths, clampToInteger(50000), 4000);

    const SettingsStore reread(m_store->filePath());
    QCOMPARE(reread.get(QStringLiteral("frmWidth"), absent), QStringLiteral("32767"));
    QCOMPARE(reread.get(QStringLiteral("accountno"), absent), absent);
    const GeneralOptions o = loadGeneralOptions(reread);
    QCOMPARE(o.grdWidth, widths);
    QCOMPARE(o.frmHeight, 4000);

    saveColumnWidths(*m_store, GeneralOptions{}.grdWidth);
    QCOMPARE(loadGeneralOptions(SettingsStore(m_store->filePath())).grdWidth,
             GeneralOptions{}.grdWidth);
}

QTEST_GUILESS_MAIN(GeneralOptionsTest)
#include "GeneralOptionsTest.moc"
