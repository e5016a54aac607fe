// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include "settings/PasswordForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Settings;

namespace {

struct FileFacts
{
    bool exists = false;
    mode_t mode = 0;
    ino_t inode = 0;
};

FileFacts facts(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, mode_t(st.st_mode & 07777), st.st_ino};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

const QString absent = QStringLiteral("<absent>");

} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultPathFollowsXdg();
    void readerOfMissingFileCreatesNothing();
    void firstWriteCreatesPrivateFile();
    void rewriteLeavesFilePrivate_data();
    void rewriteLeavesFilePrivate();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void keysAreCaseSensitive();
    void passwordLineKeepsItsLastCharacter_data();
    void passwordLineKeepsItsLastCharacter();
    void reloadSeesAnotherWriter();
    void malformedFile_data();
    void malformedFile();
    void folderInPlaceOfFile();
    void unreadableFile();
    void writeFailureIsReported_data();
    void writeFailureIsReported();

private:
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
};

void SettingsStoreTest::initTestCase()
{
    // Before any QSettings use: QSettings reads XDG_CONFIG_HOME once. This also
    // keeps every test away from the user's real configuration.
    QVERIFY(m_config.isValid() && m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void SettingsStoreTest::defaultPathFollowsXdg()
{
    QCOMPARE(SettingsStore::defaultPath(),
             m_config.path() + QStringLiteral("/tavowatch/tavowatch.ini"));
}

void SettingsStoreTest::readerOfMissingFileCreatesNothing()
{
    const QString folder = m_dir.filePath(QStringLiteral("never"));
    {
        SettingsStore store(folder + QStringLiteral("/tavowatch.ini"));
        QCOMPARE(store.fileState(), SettingsStore::FileState::Missing);
        QCOMPARE(store.get(QStringLiteral("accountno"), QStringLiteral("0")), QStringLiteral("0"));
    }
    QVERIFY(!QFileInfo::exists(folder));
}

void SettingsStoreTest::firstWriteCreatesPrivateFile()
{
    const QString outer = m_dir.filePath(QStringLiteral("first"));
    const QString path = outer + QStringLiteral("/tavowatch/tavowatch.ini");
    {
        SettingsStore store(path);
        store.save(QStringLiteral("Passw1"), QStringLiteral("97 "));
        store.sync();
    }
    QCOMPARE(facts(path).mode, mode_t(0600));
    QCOMPARE(facts(outer).mode, mode_t(0700));
    QCOMPARE(facts(outer + QStringLiteral("/tavowatch")).mode, mode_t(0700));
    QVERIFY(readAll(path).startsWith("[setting]"));
}

void SettingsStoreTest::rewriteLeavesFilePrivate_data()
{
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("removedBeforeSync");

    QTest::addRow("made by the store") << 0600 << 0700 << false;
    QTest::addRow("copied from another machine, 0644 in 0755") << 0644 << 0755 << false;
    QTest::addRow("restored from a backup, 0666 in 0777") << 0666 << 0777 << false;
    // The rewrite then makes the file anew with the umask's mode.
    QTest::addRow("removed between save and sync") << 0600 << 0700 << true;
}

void SettingsStoreTest::rewriteLeavesFilePrivate()
{
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(bool, removedBeforeSync);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("tavowatch"));
    const QString path = folder + QStringLiteral("/tavowatch.ini");
    QVERIFY(QDir().mkdir(folder));
    writeAll(path, "[setting]\nAname1=first\n");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
    const FileFacts before = facts(path);
    const mode_t umask = ::umask(022);
    {
        SettingsStore store(path);
        store.save(QStringLiteral("Passw1"), QStringLiteral("112 "));
        // Private before the password is written.
        QCOMPARE(facts(path).mode, mode_t(0600));
        QCOMPARE(facts(folder).mode, mode_t(0700));
        if (removedBeforeSync)
            QVERIFY(QFile::remove(path));
        QVERIFY(store.sync());
    }
    ::umask(umask);
    const FileFacts after = facts(path);
    QCOMPARE(after.mode, mode_t(0600));
    QCOMPARE(facts(folder).mode, mode_t(0700));
    const SettingsStore store(path);
    QCOMPARE(store.get(QStringLiteral("Passw1"), absent), QStringLiteral("112 "));
    if (removedBeforeSync)
        return;
    // A new inode: the file was replaced by rename, not truncated and rewritten.
    QVERIFY(after.inode != before.inode);
    QCOMPARE(store.get(QStringLiteral("Aname1"), absent), QStringLiteral("first"));
}

void SettingsStoreTest::textsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("password form keeps trailing space") << QStringLiteral("97 98 ");
    QTest::addRow("empty text is present") << QStringLiteral("");
    QTest::addRow("japanese and half-width kana") << QString::fromUtf8("受信ｱｶｳﾝﾄ①");
    QTest::addRow("comma is no list") << QStringLiteral("a, b,c");
    QTest::addRow("quoted command line") << QStringLiteral("\"/usr/bin/mail\" -a \"x y\"");
    QTest::addRow("QSettings variant prefix") << QStringLiteral("@Variant(x)");
    QTest::addRow("spaces around, equals, semicolon, backslash")
        << QString::fromUtf8("  山田 = \"太郎\"; C:\\x  ");
}

void SettingsStoreTest::textsRoundTrip()
{
    QFETCH(QString, text);
    const QString path = m_dir.filePath(QStringLiteral("texts.ini"));
    {
        SettingsStore store(path);
        store.save(QStringLiteral("Aname1"), text);
    }
    const SettingsStore store(path);
    QCOMPARE(store.get(QStringLiteral("Aname1"), absent), text);
}

void SettingsStoreTest::passwordLineKeepsItsLastCharacter_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addRow("as the store writes it") << QByteArray();
    QTest::addRow("quoted by hand") << QByteArray("Passw1=\"112 97 115 115 49 \"\n");
    // Issue 10: the INI reader trims the trailing space of an unquoted value.
    QTest::addRow("unquoted by hand") << QByteArray("Passw1=112 97 115 115 49 \n");
}

void SettingsStoreTest::passwordLineKeepsItsLastCharacter()
{
    QFETCH(QByteArray, line);
    const QString path = m_dir.filePath(QStringLiteral("password.ini"));
    QFile::remove(path);
    if (line.isEmpty()) {
        SettingsStore store(path);
        store.save(QStringLiteral("Passw1"), EncodePassword(QStringLiteral("pass1")));
        store.sync();
        // Quoted, so that every reader keeps the trailing space.
        QVERIFY(readAll(path).contains("Passw1=\"112 97 115 115 49 \"\n"));
    } else {
        writeAll(path, "[setting]\n" + line);
    }
    const SettingsStore store(path);
    QCOMPARE(DecodePassword(store.get(QStringLiteral("Passw1"), absent)), QStringLiteral("pass1"));
}

void SettingsStoreTest::keysAreCaseSensitive()
{
    const QString path = m_dir.filePath(QStringLiteral("case.ini"));
    {
        SettingsStore store(path);
        store.save(QStringLiteral("Wavdir"), QStringLiteral("upper"));
        store.save(QStringLiteral("wavdir"), QStringLiteral("lower"));
    }
    const SettingsStore store(path);
    QCOMPARE(store.get(QStringLiteral("Wavdir"), absent), QStringLiteral("upper"));
    QCOMPARE(store.get(QStringLiteral("wavdir"), absent), QStringLiteral("lower"));
    QCOMPARE(store.get(QStringLiteral("WAVDIR"), absent), absent);
}

// The checker keeps its store open while tavoprefs rewrites the file.
void SettingsStoreTest::reloadSeesAnotherWriter()
{
    const QString path = m_dir.filePath(QStringLiteral("reload.ini"));
    writeAll(path, "[setting]\naccountno=1\n");
    SettingsStore store(path);
    QCOMPARE(store.get(QStringLiteral("accountno"), absent), QStringLiteral("1"));
    writeAll(path, "[setting]\naccountno=12\nAname12=new\n");
    store.reload();
    QCOMPARE(store.get(QStringLiteral("accountno"), absent), QStringLiteral("12"));
    QCOMPARE(store.get(QStringLiteral("Aname12"), absent), QStringLiteral("new"));
}

void SettingsStoreTest::malformedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kept"); // a value that still reads, or empty

    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    QTest::addRow("binary garbage") << garbage << QString();
    QTest::addRow("line without equals sign")
        << QByteArray("[setting]\nAname1=kept\nhand-written note\n") << QStringLiteral("kept");
    QTest::addRow("unclosed section")
        << QByteArray("[setting]\nAname1=kept\n[other\nx=1\n") << QStringLiteral("kept");
    QTest::addRow("invalid UTF-8")
        << QByteArray("[setting]\nAname1=kept\nHname1=\xff\xfe\n") << QStringLiteral("kept");
}

// A file QSettings cannot fully parse reads as what it can parse; a reader
// leaves it alone, and the first writer copies it aside before replacing it.
void SettingsStoreTest::malformedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavowatch.ini"));
    writeAll(path, content);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    {
        const SettingsStore reader(path);
        QCOMPARE(reader.fileState(), SettingsStore::FileState::Malformed);
        QCOMPARE(reader.get(QStringLiteral("accountno"), QStringLiteral("0")), QStringLiteral("0"));
        if (!kept.isEmpty())
            QCOMPARE(reader.get(QStringLiteral("Aname1"), absent), kept);
    }
    QCOMPARE(readAll(path), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("tavowatch.ini")});

    {
        SettingsStore writer(path);
        writer.save(QStringLiteral("frmWidth"), QStringLiteral("8730"));
        writer.save(QStringLiteral("frmHeight"), QStringLiteral("4710"));
        writer.sync();
        QCOMPARE(writer.backupPath(), path + QStringLiteral(".broken"));
    }
    QCOMPARE(readAll(path + QStringLiteral(".broken")), content);
    QCOMPARE(facts(path + QStringLiteral(".broken")).mode, mode_t(0600));

    const SettingsStore after(path);
    QCOMPARE(after.fileState(), SettingsStore::FileState::Readable);
    QCOMPARE(after.get(QStringLiteral("frmWidth"), absent), QStringLiteral("8730"));
    if (!kept.isEmpty())
        QCOMPARE(after.get(QStringLiteral("Aname1"), absent), kept);

    // An earlier copy is never overwritten.
    writeAll(path, content);
    SettingsStore again(path);
    again.save(QStringLiteral("frmWidth"), QStringLiteral("1"));
    QCOMPARE(again.backupPath(), path + QStringLiteral(".broken.1"));
}

void SettingsStoreTest::folderInPlaceOfFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavowatch.ini"));
    QVERIFY(QDir().mkdir(path));
    {
        SettingsStore store(path);
        QCOMPARE(store.fileState(), SettingsStore::FileState::Unreadable);
        QCOMPARE(store.get(QStringLiteral("Timeupval"), QStringLiteral("1")), QStringLiteral("1"));
        store.save(QStringLiteral("frmWidth"), QStringLiteral("8730"));
        store.sync();
    }
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("tavowatch.ini")});
}

void SettingsStoreTest::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not apply to root");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavowatch.ini"));
    const QByteArray content("[setting]\naccountno=3\n");
    writeAll(path, content);
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    {
        SettingsStore store(path);
        QCOMPARE(store.fileState(), SettingsStore::FileState::Unreadable);
        QCOMPARE(store.get(QStringLiteral("accountno"), QStringLiteral("0")), QStringLiteral("0"));
        store.save(QStringLiteral("frmWidth"), QStringLiteral("8730"));
        store.sync();
    }
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readAll(path), content);
}

void SettingsStoreTest::writeFailureIsReported_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addRow("folder in place of the file") << QStringLiteral("folder");
    QTest::addRow("read-only file") << QStringLiteral("file");
    QTest::addRow("read-only folder") << QStringLiteral("dir");
    // Issue 18: QSettings reported success, and accounts were lost.
    QTest::addRow("rewrite cut short by the file system") << QStringLiteral("short");
}

// Whoever saves must learn that nothing reached the disk, and a write after
// the cause is gone must succeed again.
void SettingsStoreTest::writeFailureIsReported()
{
    QFETCH(QString, obstacle);
    if (obstacle != u"folder" && obstacle != u"short" && ::geteuid() == 0)
        QSKIP("file permissions do not apply to root");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavowatch.ini"));
    QFile::Permissions restore;
    QString blocked = path;
    rlimit fileSize{};
    ::getrlimit(RLIMIT_FSIZE, &fileSize);
    const rlimit unlimited = fileSize;
    const QString name(300, u'名');
    if (obstacle == u"short") {
        writeAll(path, "[setting]\naccountno=1\n");
        // The rewrite stops after 100 bytes, the rest refused (EFBIG).
        std::signal(SIGXFSZ, SIG_IGN);
        fileSize.rlim_cur = 100;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &fileSize), 0);
    } else if (obstacle == u"folder") {
        QVERIFY(QDir().mkdir(path));
    } else {
        writeAll(path, "[setting]\naccountno=1\n");
        if (obstacle == u"dir")
            blocked = dir.path();
        restore = QFileInfo(blocked).permissions();
        QVERIFY(QFile::setPermissions(blocked, restore & ~(QFile::WriteOwner | QFile::WriteUser |
                                                           QFile::WriteGroup | QFile::WriteOther)));
    }

    SettingsStore store(path);
    QCOMPARE(store.isWritable(), obstacle == u"short");
    store.save(QStringLiteral("Aname1"), name);
    store.save(QStringLiteral("accountno"), QStringLiteral("2"));
    QVERIFY(!store.sync());

    if (obstacle == u"short")
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    else if (obstacle == u"folder")
        QVERIFY(QDir().rmdir(path));
    else
        QVERIFY(QFile::setPermissions(blocked, restore));
    QVERIFY(store.isWritable());
    store.save(QStringLiteral("accountno"), QStringLiteral("3"));
    QVERIFY(store.sync());
    QCOMPARE(SettingsStore(path).get(QStringLiteral("accountno"), absent), QStringLiteral("3"));
    // What was saved before the cut is kept and written with the retry.
    if (obstacle == u"short")
        QCOMPARE(SettingsStore(path).get(QStringLiteral("Aname1"), absent), name);
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
