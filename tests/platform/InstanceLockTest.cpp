// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/InstanceLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

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
    void init();
    void secondLockRefusedWhileFirstHeld();
    void liveHolderKeepsRefusing();
    void killedHolderIsTakenOver();
    void leftoverOfDeadProcessIsTakenOver();
    void defaultPathIsInRuntimeFolder();

private:
    bool startHolder(QProcess& holder);
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

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

void InstanceLockTest::defaultPathIsInRuntimeFolder()
{
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->path()));
    const QString path = InstanceLock::defaultPath();
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(path, m_dir->filePath(QStringLiteral("tavowatchl.lock")));
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
