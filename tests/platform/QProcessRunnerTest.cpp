// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/QProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

bool writeScript(const QString& path, const QByteArray& body,
                 QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n" + body) > 0 &&
           file.setPermissions(permissions);
}

QByteArray shellQuoted(const QString& text)
{
    QByteArray quoted = QFile::encodeName(text);
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}

} // namespace

class QProcessRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void waitsWithEventsRunning_data();
    void waitsWithEventsRunning();
    void unstartableProgramReturnsAtOnce_data();
    void unstartableProgramReturnsAtOnce();
    void nestedWaitsEndInnermostFirst_data();
    void nestedWaitsEndInnermostFirst();
    void startDetachedSplitsWithoutShell_data();
    void startDetachedSplitsWithoutShell();
    void startDetachedFailures_data();
    void startDetachedFailures();
    void fileExists_data();
    void fileExists();

private:
    QString script(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void QProcessRunnerTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void QProcessRunnerTest::waitsWithEventsRunning_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addRow("ends normally") << QByteArray("sleep 0.3\nexit 0\n");
    // tavoprefs's exit code means nothing to the checker.
    QTest::addRow("non-zero exit code") << QByteArray("sleep 0.3\nexit 3\n");
    // errorOccurred(Crashed) comes before finished: the wait must not end twice.
    QTest::addRow("killed by a signal") << QByteArray("sleep 0.3\nkill -9 $$\n");
}

void QProcessRunnerTest::waitsWithEventsRunning()
{
    QFETCH(QByteArray, body);
    const QString program =
        script(QStringLiteral("wait-%1.sh").arg(QString::fromUtf8(QTest::currentDataTag())));
    QVERIFY(writeScript(program, body));

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(20);

    QProcessRunner runner;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(runner.runAndWait(program));
    QVERIFY2(clock.elapsed() >= 250, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

void QProcessRunnerTest::unstartableProgramReturnsAtOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("executable");

    QTest::addRow("missing program") << QStringLiteral("missing") << QByteArray() << false;
    QTest::addRow("no execute permission")
        << QStringLiteral("plain.sh") << QByteArray("exit 0\n") << false;
    QTest::addRow("interpreter missing")
        << QStringLiteral("broken.sh") << QByteArray("#!/nonexistent/sh\n") << true;
    QTest::addRow("a folder") << QStringLiteral("folder") << QByteArray() << false;
    QTest::addRow("empty name") << QString() << QByteArray() << false;
}

void QProcessRunnerTest::unstartableProgramReturnsAtOnce()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, body);
    QFETCH(bool, executable);

    QString program;
    if (!name.isEmpty())
        program = script(name);
    if (name == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(program));
    else if (!body.isEmpty()) {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(body);
        file.close();
        QVERIFY(file.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner
                                               : QFile::ReadOwner | QFile::WriteOwner));
    }

    QProcessRunner runner;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!runner.runAndWait(program));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

void QProcessRunnerTest::nestedWaitsEndInnermostFirst_data()
{
    QTest::addColumn<QByteArray>("outerSleep");
    QTest::addColumn<QByteArray>("innerSleep");
    QTest::addRow("inner program ends first") << QByteArray("0.6") << QByteArray("0.1");
    // The outer program ends while the inner wait runs: the outer wait
    // returns after the inner one, and does not miss its program's end.
    QTest::addRow("outer program ends first") << QByteArray("0.2") << QByteArray("0.6");
}

void QProcessRunnerTest::nestedWaitsEndInnermostFirst()
{
    QFETCH(QByteArray, outerSleep);
    QFETCH(QByteArray, innerSleep);
    const QString outer = script(QStringLiteral("outer.sh"));
    const QString inner = script(QStringLiteral("inner.sh"));
    QVERIFY(writeScript(outer, "sleep " + outerSleep + "\n"));
    QVERIFY(writeScript(inner, "sleep " + innerSleep + "\n"));

    QProcessRunner runner;
    QStringList returned;
    // A handler that runs inside the outer wait and waits itself, as a
    // hotkey opening the settings again would.
    QTimer::singleShot(50, this, [&] {
        returned.append(runner.runAndWait(inner) ? QStringLiteral("inner")
                                                 : QStringLiteral("inner failed"));
    });
    QElapsedTimer clock;
    clock.start();
    returned.append(runner.runAndWait(outer) ? QStringLiteral("outer")
                                             : QStringLiteral("outer failed"));
    QCOMPARE(returned, QStringList({QStringLiteral("inner"), QStringLiteral("outer")}));
    QVERIFY(clock.elapsed() >= 500);
}

void QProcessRunnerTest::startDetachedSplitsWithoutShell_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<QStringList>("expected");

    QTest::addRow("quoted path with spaces and arguments")
        << QStringLiteral("my mailer") << QStringLiteral("-a \"two words\" last") << true
        << QStringList({QStringLiteral("-a"), QStringLiteral("two words"), QStringLiteral("last")});
    QTest::addRow("quoted path alone")
        << QStringLiteral("Program Files") << QString() << true << QStringList();
    QTest::addRow("unquoted path with arguments")
        << QStringLiteral("plain") << QStringLiteral("x y") << false
        << QStringList({QStringLiteral("x"), QStringLiteral("y")});
    QTest::addRow("no shell expands anything")
        << QStringLiteral("shell") << QStringLiteral("$HOME * ;echo `id` 'single'") << true
        << QStringList({QStringLiteral("$HOME"), QStringLiteral("*"), QStringLiteral(";echo"),
                        QStringLiteral("`id`"), QStringLiteral("'single'")});
}

void QProcessRunnerTest::startDetachedSplitsWithoutShell()
{
    QFETCH(QString, folder);
    QFETCH(QString, arguments);
    QFETCH(bool, quoted);
    QFETCH(QStringList, expected);

    const QString program = m_dir.filePath(folder + QStringLiteral("/mailer.sh"));
    const QString output = m_dir.filePath(folder + QStringLiteral("/argv.txt"));
    // Written aside and renamed, so the test never reads a half-written file.
    QVERIFY(writeScript(program, "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
                                     shellQuoted(output + QStringLiteral(".part")) + " && mv " +
                                     shellQuoted(output + QStringLiteral(".part")) + " " +
                                     shellQuoted(output) + "\n"));

    QString commandLine = quoted ? QLatin1Char('"') + program + QLatin1Char('"') : program;
    if (!arguments.isEmpty())
        commandLine += QLatin1Char(' ') + arguments;

    QProcessRunner runner;
    QVERIFY(runner.startDetached(commandLine));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 10000);
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList received = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(received.takeLast(), QString());
    QCOMPARE(received, expected);
}

void QProcessRunnerTest::startDetachedFailures_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addRow("empty line") << QString();
    QTest::addRow("only spaces") << QStringLiteral("   ");
    QTest::addRow("missing program") << QStringLiteral("/nonexistent/mailer -x");
}

void QProcessRunnerTest::startDetachedFailures()
{
    QFETCH(QString, commandLine);
    QProcessRunner runner;
    QVERIFY(!runner.startDetached(commandLine));
}

void QProcessRunnerTest::fileExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addRow("existing file") << QStringLiteral("present.exe") << true;
    QTest::addRow("existing folder") << QStringLiteral("subfolder") << true;
    QTest::addRow("missing file") << QStringLiteral("absent.exe") << false;
    // Not the current folder's first file, as a directory listing of an
    // empty name would give.
    QTest::addRow("empty path") << QString() << false;
}

void QProcessRunnerTest::fileExists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QVERIFY(writeScript(m_dir.filePath(QStringLiteral("present.exe")), "exit 0\n"));
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("subfolder"))));

    QProcessRunner runner;
    QCOMPARE(runner.fileExists(name.isEmpty() ? QString() : m_dir.filePath(name)), exists);
}

QTEST_GUILESS_MAIN(QProcessRunnerTest)
#include "QProcessRunnerTest.moc"
