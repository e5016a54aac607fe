// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The two programs as a user meets them on the first run, on a private
// Xvfb: tavowatchl starts with no settings, asks for them and starts
// tavoprefs; the user adds an account with mouse and keyboard (xdotool,
// from outside both programs) and presses OK; the checker then checks that
// account on a real Dovecot.
#include "prefs/AccountForm.h"
#include "prefs/AccountPage.h"
#include "prefs/OptionForm.h"
#include "settings/SettingsStore.h"
#include "support/DovecotServer.h"
#include "support/FakeDialogs.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

XvfbServer* xvfb = nullptr;
QString xvfbProblem;

// Runs xdotool with args; what it printed, or nothing when it failed.
std::optional<QString> xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString xdo(const QStringList& args)
{
    return xdotool(args).value_or(QString());
}

// The X window whose title is exactly title, once one is mapped.
QString waitForWindow(const QString& title, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QString found =
            xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), u'^' + QRegularExpression::escape(title) + u'$'});
        if (!found.isEmpty())
            return found.split(u'\n').first();
        QTest::qWait(100);
    }
    return QString();
}

QPoint windowOrigin(const QString& window)
{
    QPoint origin;
    const QString shell =
        xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QString& line : shell.split(u'\n')) {
        if (line.startsWith(u"X="))
            origin.setX(line.mid(2).toInt());
        else if (line.startsWith(u"Y="))
            origin.setY(line.mid(2).toInt());
    }
    return origin;
}

/*
 * Where a control of the real program lies: the same window built in this
 * process from the same code, on the same display with the same fonts, is
 * laid out alike; its control's centre, moved to the real window's origin,
 * is where the user clicks.
 */
class Clicker
{
public:
    Clicker(QString window, QWidget* replica) : m_window(std::move(window)), m_replica(replica)
    {
        relayout();
    }

    // After the replica was brought into the state of the real window.
    void relayout()
    {
        // Shown without reaching the screen, so that every layout applies.
        m_replica->setAttribute(Qt::WA_DontShowOnScreen);
        m_replica->show();
        QCoreApplication::processEvents();
    }

    void click(const QString& control)
    {
        auto* widget = m_replica->findChild<QWidget*>(control);
        QVERIFY2(widget, qPrintable(control));
        const QPoint at =
            windowOrigin(m_window) + widget->mapTo(m_replica, widget->rect().center());
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(at.x()),
                         QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")}));
        QTest::qWait(150);
    }

    void type(const QString& control, const QString& text)
    {
        click(control);
        xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("BackSpace")});
        xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }

private:
    QString m_window;
    QWidget* m_replica;
};

void saveScreenshot(const QString& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("TAVOWATCH_SCREENSHOT_DIR");
    if (folder.isEmpty() || window.isEmpty())
        return;
    QDir().mkpath(folder);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window.toULongLong());
    if (!shot.isNull() && shot.save(folder + u'/' + name))
        qInfo("screenshot: %s/%s", qPrintable(folder), qPrintable(name));
}

} // namespace

class PrefsX11Test : public QObject
{
    Q_OBJECT

private slots:
    void firstRunConfiguresThroughTheDialog();
};

void PrefsX11Test::firstRunConfiguresThroughTheDialog()
{
    if (!xvfb)
        QSKIP(qPrintable(xvfbProblem));
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    if (!DovecotServer::isInstalled())
        QSKIP("Dovecot is not installed");
    DovecotServer server;
    QVERIFY2(server.start({{QStringLiteral("taro"), QStringLiteral("himitsu")}}),
             qPrintable(server.errorString()));
    const QList<QByteArray> mail = DovecotServer::demoMessages(QStringLiteral("tanaka"));
    QVERIFY(!mail.isEmpty());
    QVERIFY(server.deliver(QStringLiteral("taro"), mail.first()));

    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("runtime")));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), xvfb->display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    // Both programs end by being killed here; what they leak then is no finding.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess checker;
    checker.setProcessEnvironment(env);
    checker.setProcessChannelMode(QProcess::ForwardedChannels);
    checker.start(QStringLiteral(TAVOWATCH_BIN_DIR "/tavowatchl"), {});
    QVERIFY(checker.waitForStarted());
    // A tavoprefs left open by a failure ends with the X server.
    const auto stopChecker = qScopeGuard([&] {
        checker.kill();
        checker.waitForFinished();
    });

    // "最初に設定をしてください", answered with Enter.
    const QString prompt = waitForWindow(QStringLiteral("Tavoメールチェッカー LAN"));
    QVERIFY2(!prompt.isEmpty(), "the checker did not ask for the first configuration");
    xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), prompt});
    xdo({QStringLiteral("key"), QStringLiteral("Return")});

    const QString option = waitForWindow(QStringLiteral("OPTION"));
    QVERIFY2(!option.isEmpty(), "the checker did not start tavoprefs");
    // A second start while the dialog is open ends at once, without a word.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TAVOWATCH_BIN_DIR "/tavoprefs"), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--name"), QStringLiteral("^OPTION$")})
                 .split(u'\n')
                 .size(),
             1);

    QTemporaryDir scratch;
    Settings::SettingsStore replicaStore(scratch.filePath(QStringLiteral("replica.ini")));
    FakeDialogs replicaDialogs;
    OptionForm optionReplica(replicaStore, replicaDialogs);
    optionReplica.Form_Load();
    Clicker dialog(option, &optionReplica);
    saveScreenshot(option, QStringLiteral("prefs-general.png"));

    dialog.click(QStringLiteral("Tab1_1"));
    optionReplica.Tab1_Click(1);
    dialog.relayout();
    dialog.click(QStringLiteral("addbutton"));
    const QString editor = waitForWindow(QStringLiteral("ｱｶｳﾝﾄ"));
    QVERIFY2(!editor.isEmpty(), "\"追加\" did not open the account editor");
    AccountForm editorReplica(replicaStore, replicaDialogs, *optionReplica.accountPage());
    Clicker account(editor, &editorReplica);
    account.type(QStringLiteral("Hostname"), QStringLiteral("127.0.0.1"));
    account.type(QStringLiteral("Portbox"), QString::number(server.port()));
    account.type(QStringLiteral("UserName"), QStringLiteral("taro"));
    account.type(QStringLiteral("MailPassWord"), QStringLiteral("himitsu"));
    saveScreenshot(editor, QStringLiteral("prefs-account-editor.png"));
    account.click(QStringLiteral("Command1"));
    QTRY_VERIFY_WITH_TIMEOUT(xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--name"), QStringLiteral("^ｱｶｳﾝﾄ$")})
                                 .isEmpty(),
                             5000);
    saveScreenshot(option, QStringLiteral("prefs-accounts.png"));

    // Check at start-up, so that the checker goes on to the new account.
    dialog.click(QStringLiteral("Tab1_0"));
    optionReplica.Tab1_Click(0);
    dialog.relayout();
    dialog.click(QStringLiteral("option5"));
    dialog.click(QStringLiteral("OkBt"));

    const QList<QByteArray> expected = DovecotServer::commandLines(
        {"CAPA", "USER taro", "PASS himitsu", "STAT", "UIDL", "TOP 1 5", "QUIT"});
    QTRY_COMPARE_WITH_TIMEOUT(server.commandsSeen(), expected, 20000);
    const Settings::SettingsStore written(
        home.filePath(QStringLiteral("config/tavowatch/tavowatch.ini")));
    QCOMPARE(written.get(QStringLiteral("Aname1"), QString()), QStringLiteral("taro@127.0.0.1"));
    QCOMPARE(written.get(QStringLiteral("accountno"), QString()), QStringLiteral("1"));
}

int main(int argc, char* argv[])
{
    XvfbServer server;
    xvfbProblem = server.startForThisProcess(QStringLiteral("1024x768x24"));
    if (xvfbProblem.isEmpty())
        xvfb = &server;
    QApplication app(argc, argv);
    PrefsX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "PrefsX11Test.moc"
