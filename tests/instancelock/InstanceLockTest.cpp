// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "instancelock/InstanceLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Child mode: hold the lock until stdin closes or the process is killed.
int holdLock(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    InstanceLock lock(QString::fromLocal8Bit(argv[2]));
    if (!lock.tryLock())
        return 2;
    std::printf("locked\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

} // namespace

class InstanceLockTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void secondLockRefusedWhileFirstHeld();
    void liveHolderKeepsRefusing();
    void killedHolderIsTakenOver();
    void leftoverOfDeadProcessIsTakenOver();
    void defaultPathIsInAPrivateFolder_data();
    void defaultPathIsInAPrivateFolder();

private:
    bool startHolder(QProcess& holder);
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_config;
};

void InstanceLockTest::initTestCase()
{
    // Before any QSettings use: QSettings reads XDG_CONFIG_HOME once.
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void InstanceLockTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("tavowatchl.lock"));
}

bool InstanceLockTest::startHolder(QProcess& holder)
{
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), m_path});
    if (!holder.waitForStarted())
        return false;
    while (!holder.canReadLine()) {
        if (!holder.waitForReadyRead(30000))
            return false;
    }
    return holder.readLine() == "locked\n";
}

void InstanceLockTest::secondLockRefusedWhileFirstHeld()
{
    InstanceLock first(m_path);
    InstanceLock second(m_path);
    QVERIFY(first.tryLock());
    QVERIFY(first.isLocked());
    QVERIFY(first.tryLock());
    QVERIFY(!second.tryLock());
    QVERIFY(!second.isLocked());

    first.unlock();
    QVERIFY(!QFile::exists(m_path));
    QVERIFY(second.tryLock());
    QVERIFY(!first.tryLock());
}

void InstanceLockTest::liveHolderKeepsRefusing()
{
    QProcess holder;
    QVERIFY(startHolder(holder));
    InstanceLock lock(m_path);
    QVERIFY(!lock.tryLock());

    // A checker runs for days: an old lock of a running holder is still held.
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime longAgo = QDateTime::currentDateTime().addDays(-3);
    QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(!lock.tryLock());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY(lock.tryLock());
}

void InstanceLockTest::killedHolderIsTakenOver()
{
    QProcess holder;
    QVERIFY(startHolder(holder));
    InstanceLock lock(m_path);
    QVERIFY(!lock.tryLock());

    holder.kill(); // SIGKILL: the lock file stays behind
    QVERIFY(holder.waitForFinished(30000));
    QVERIFY(QFile::exists(m_path));
    QVERIFY(lock.tryLock());
}

void InstanceLockTest::leftoverOfDeadProcessIsTakenOver()
{
    // A lock file that names a process that no longer exists, and that no
    // one holds: what a crash before a reboot-less restart leaves.
    QProcess finished;
    finished.start(QStringLiteral("/bin/true"));
    QVERIFY(finished.waitForStarted());
    const qint64 deadPid = finished.processId();
    QVERIFY(finished.waitForFinished());

    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(deadPid) + "\ntavowatchl\n" +
               QSysInfo::machineHostName().toUtf8() + "\n" + QSysInfo::machineUniqueId() + "\n" +
               QSysInfo::bootUniqueId() + "\n");
    file.close();

    InstanceLock lock(m_path);
    QVERIFY(lock.tryLock());
}

void InstanceLockTest::defaultPathIsInAPrivateFolder_data()
{
    QTest::addColumn<QString>("runtime"); // how $XDG_RUNTIME_DIR is set
    QTest::addColumn<bool>("used");       // whether the lock goes there

    QTest::addRow("the user's own 0700 runtime folder") << QStringLiteral("0700") << true;
    QTest::addRow("no runtime folder set") << QStringLiteral("unset") << false;
    QTest::addRow("runtime folder named but missing") << QStringLiteral("missing") << false;
    QTest::addRow("runtime folder writable by others, as /tmp") << QStringLiteral("1777") << false;
    QTest::addRow("runtime folder writable by group") << QStringLiteral("0770") << false;
    QTest::addRow("runtime folder of another user") << QStringLiteral("other") << false;
}

void InstanceLockTest::defaultPathIsInAPrivateFolder()
{
    QFETCH(QString, runtime);
    QFETCH(bool, used);
    QString folder = m_dir->path();
    if (runtime == u"missing") {
        folder = m_dir->filePath(QStringLiteral("gone"));
    } else if (runtime == u"other") {
        // As root, a folder given to nobody; otherwise the root folder.
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        else
            folder = QStringLiteral("/");
    } else if (runtime != u"unset") {
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(runtime.toInt(nullptr, 8))),
                 0);
    }

    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    if (runtime == u"unset")
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
    const QString path = InstanceLock::defaultPath(QStringLiteral("tavoprefs"));
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");

    const QString settingsFolder = m_config.filePath(QStringLiteral("tavowatch"));
    QCOMPARE(path, QDir(used ? folder : settingsFolder).filePath(QStringLiteral("tavoprefs.lock")));
    QVERIFY(QFileInfo(path).absolutePath() != QDir::tempPath());
    if (!used) {
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(settingsFolder).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
        InstanceLock lock(path);
        QVERIFY(lock.tryLock());
    }
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QCoreApplication app(argc, argv);
    InstanceLockTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "InstanceLockTest.moc"
