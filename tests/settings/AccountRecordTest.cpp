// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/AccountRecord.h"
#include "settings/CurrentAccountReader.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Settings;

namespace Settings {
char* toString(const AccountRecord& r)
{
    return QTest::toString(QStringLiteral("{%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11|%12}")
                               .arg(r.Aname, r.Hname, QString::number(r.Portno), r.Uname, r.Passw,
                                    QString::number(r.Check), QString::number(r.Scolor1),
                                    QString::number(r.Scolor2), QString::number(r.Wavmode))
                               .arg(r.Wavdir2_, QString::number(r.Tls), r.TlsPin));
}
} // namespace Settings

namespace {

const QString absent = QStringLiteral("<absent>");
const QString pin = QStringLiteral("0123456789abcdef").repeated(4);

AccountRecord sampleAccount()
{
    AccountRecord r;
    r.Aname = QString::fromUtf8("会社");
    r.Hname = QStringLiteral("pop.example.jp");
    r.Portno = 1110;
    r.Uname = QStringLiteral("taro");
    r.Passw = QString::fromUtf8("pässwörd€あ ｱ");
    r.Check = 0;
    r.Scolor1 = 255;
    r.Scolor2 = 0xFFFFFF;
    r.Wavmode = 1;
    r.Wavdir2_ = QStringLiteral("/home/taro/ding.wav");
    r.Tls = 2;
    r.TlsPin = pin;
    return r;
}

} // namespace

class AccountRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void accountKeys_data();
    void accountKeys();
    void emptyTextsStoredAsZero();
    void roundTrip();
    void badValueLeavesDefault_data();
    void badValueLeavesDefault();
    void loadadataKeepsPreviousOnBadValue();
    void portRange_data();
    void portRange();
    void loadadataPassword_data();
    void loadadataPassword();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

void AccountRecordTest::init()
{
    m_store.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("tavowatch.ini")));
}

void AccountRecordTest::accountKeys_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("key");
    QTest::addRow("two digits, no leading zero") << "Aname" << 10 << "Aname10";
    QTest::addRow("text colour of account 1") << "Scolor1" << 1 << "Scolor11";
    QTest::addRow("text colour of account 11") << "Scolor1" << 11 << "Scolor111";
    QTest::addRow("background of account 1") << "Scolor2" << 1 << "Scolor21";
    QTest::addRow("own sound of account 3") << "Wavdir2_" << 3 << "Wavdir2_3";
}

void AccountRecordTest::accountKeys()
{
    QFETCH(QString, base);
    QFETCH(int, n);
    QFETCH(QString, key);
    QCOMPARE(accountKey(base, qint16(n)), key);
}

void AccountRecordTest::emptyTextsStoredAsZero()
{
    AccountRecord record;
    record.Aname = QStringLiteral("@pop");
    SaveAccount(*m_store, 10, record);

    const std::pair<const char*, const char*> stored[]{
        {"Aname10", "@pop"}, {"Hname10", "0"},   {"Portno10", "110"}, {"Uname10", "0"},
        {"Passw10", "0"},    {"Check10", "1"},   {"Scolor110", "0"},  {"Scolor210", "16777088"},
        {"Wavmode10", "0"},  {"Wavdir2_10", "0"}};
    const SettingsStore reread(m_store->filePath());
    for (const auto& [key, text] : stored)
        QCOMPARE(reread.get(QLatin1String(key), absent), QLatin1String(text));

    // Texts read back as "0"; the password "0" decodes to the empty one.
    AccountRecord loaded;
    LoadAccount(reread, 10, loaded);
    QCOMPARE(loaded.Uname, QStringLiteral("0"));
    QCOMPARE(loaded.Wavdir2_, QStringLiteral("0"));
    QCOMPARE(loaded.Passw, QString());
}

void AccountRecordTest::roundTrip()
{
    AccountRecord record = sampleAccount();
    record.TlsPin = pin.toUpper();
    SaveAccount(*m_store, 2, record);
    record.TlsPin = QStringLiteral("f").repeated(64);
    AccountRecord loaded;
    LoadAccount(SettingsStore(m_store->filePath()), 2, loaded);
    QCOMPARE(loaded, sampleAccount());
    CurrentAccount current;
    AccountEntry entry;
    loadadata(*m_store, 2, current, entry);
    QCOMPARE(std::pair(current.Tls, current.TlsPin), std::pair(qint16(2), pin));

    // The checker's trust changes the pin alone, stored in lower case.
    QVERIFY(saveTlsPin(*m_store, 2, record.TlsPin.toUpper()));
    QVERIFY(!saveTlsPin(*m_store, 2, QStringLiteral("0")));
    LoadAccount(SettingsStore(m_store->filePath()), 2, loaded);
    QCOMPARE(loaded, record);

    // LoadAccount starts from the defaults: an absent account reads as a fresh one.
    LoadAccount(*m_store, 3, loaded);
    QCOMPARE(loaded, AccountRecord{});
}

void AccountRecordTest::badValueLeavesDefault_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("text");
    QTest::addRow("port not a number") << "Portno"
                                       << "abc";
    QTest::addRow("empty background colour") << "Scolor2"
                                             << "";
    QTest::addRow("text colour beyond Long") << "Scolor1"
                                             << "4294967295";
    QTest::addRow("check flag garbage") << "Check"
                                        << "yes";
    QTest::addRow("encryption beyond the three") << "Tls"
                                                 << "7";
    QTest::addRow("pin as an empty account text") << "TlsPin"
                                                  << "0";
}

void AccountRecordTest::badValueLeavesDefault()
{
    QFETCH(QString, base);
    QFETCH(QString, text);
    SaveAccount(*m_store, 1, sampleAccount());
    m_store->save(accountKey(base, 1), text);

    AccountRecord expected = sampleAccount();
    const AccountRecord defaults;
    if (base == u"Portno")
        expected.Portno = defaults.Portno;
    else if (base == u"Scolor1")
        expected.Scolor1 = defaults.Scolor1;
    else if (base == u"Scolor2")
        expected.Scolor2 = defaults.Scolor2;
    else if (base == u"Check")
        expected.Check = defaults.Check;
    else if (base == u"Tls")
        expected.Tls = defaults.Tls;
    else if (base == u"TlsPin")
        expected.TlsPin = defaults.TlsPin;

    AccountRecord loaded = sampleAccount();
    LoadAccount(*m_store, 1, loaded);
    QCOMPARE(loaded, expected);
}

void AccountRecordTest::portRange_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("loaded");
    QTest::addRow("default") << "110" << 110;
    QTest::addRow("above 32767 (issue 7)") << "40000" << 40000;
    QTest::addRow("highest port") << "65535" << 65535;
    QTest::addRow("old 16-bit form of 40000 reads unchanged") << "-25536" << -25536;
    QTest::addRow("beyond any port") << "65536" << 110;
    QTest::addRow("below the old form") << "-32769" << 110;
}

// Both programs read the port over the whole range, and write it back as read.
void AccountRecordTest::portRange()
{
    QFETCH(QString, stored);
    QFETCH(int, loaded);
    m_store->save(QStringLiteral("Portno1"), stored);
    AccountRecord record;
    LoadAccount(*m_store, 1, record);
    QCOMPARE(record.Portno, loaded);
    CurrentAccount current;
    AccountEntry entry;
    loadadata(*m_store, 1, current, entry);
    QCOMPARE(current.Portno, loaded);

    QVERIFY(SaveAccount(*m_store, 2, record));
    QCOMPARE(m_store->get(QStringLiteral("Portno2"), absent), QString::number(loaded));
}

// Unlike LoadAccount, the checker's loader keeps a field's previous value
// when the stored text does not convert, but still applies defaults for
// absent keys and reads every other key. Encryption and pin never stay.
void AccountRecordTest::loadadataKeepsPreviousOnBadValue()
{
    for (const char* base : {"Portno", "Check", "Scolor1", "Scolor2", "Wavmode", "Tls", "TlsPin"})
        m_store->save(accountKey(QString::fromLatin1(base), 4), QStringLiteral("abc"));
    m_store->save(QStringLiteral("Hname4"), QStringLiteral("pop.example.jp"));

    CurrentAccount current{QStringLiteral("old"),     QStringLiteral("old.host"), 995,
                           QStringLiteral("olduser"), QStringLiteral("oldpass"),  0};
    current.Tls = 2;
    current.TlsPin = pin;
    AccountEntry entry{255, 1, 2, QStringLiteral("old.wav")};
    loadadata(*m_store, 4, current, entry);

    QCOMPARE(current, (CurrentAccount{QString(), QStringLiteral("pop.example.jp"), 995, QString(),
                                      QString(), 0}));
    QCOMPARE(entry, (AccountEntry{255, 1, 2, QString()}));

    loadadata(*m_store, 5, current, entry);
    QCOMPARE(current, CurrentAccount{});
    QCOMPARE(entry, AccountEntry{});
}

void AccountRecordTest::loadadataPassword_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("password");
    QTest::addRow("empty stored gives empty") << ""
                                              << "";
    QTest::addRow("stored empty password") << "0"
                                           << "";
    QTest::addRow("encoded") << "97 98 "
                             << "ab";
}

void AccountRecordTest::loadadataPassword()
{
    QFETCH(QString, stored);
    QFETCH(QString, password);
    m_store->save(QStringLiteral("Passw1"), stored);
    CurrentAccount current;
    current.password = QStringLiteral("previous");
    AccountEntry entry;
    loadadata(*m_store, 1, current, entry);
    QCOMPARE(current.password, password);
}

QTEST_GUILESS_MAIN(AccountRecordTest)
#include "AccountRecordTest.moc"
