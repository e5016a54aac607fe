// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The checker's window and light on a real X server: a private Xvfb that
// this test starts before QApplication connects to it.
#include "CheckerRig.h"

#include "hotkeys/X11KeyboardLight.h"
#include "maillist/MailListView.h"
#include "maillist/ViewForm.h"
#include "support/XcbClient.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

XvfbServer* xvfb = nullptr;
QString xvfbProblem;

using XcbClient::Connection;

// A second client of the same server: it sees what every other program sees.
Connection observer()
{
    return XcbClient::connectTo(xvfb->display());
}

bool scrollLockLedOn(xcb_connection_t* connection)
{
    return XcbClient::ledMask(connection).value_or(0) & (1u << 2);
}

// Top-level windows that are mapped and viewable. Xvfb runs no window
// manager, so the checker's windows are the root's children.
QList<xcb_window_t> viewableTopLevels(xcb_connection_t* connection)
{
    QList<xcb_window_t> viewable;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree)
        return viewable;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            viewable << children[i];
        std::free(attributes);
    }
    std::free(tree);
    return viewable;
}

void putRow(MailForm& form, int account, int message, const QString& from, const QString& subject,
            bool attached)
{
    MailRecord& record = form.mailTable().entry(account, message);
    record.From = from;
    record.Subject = subject;
    record.Attached = attached ? -1 : 0;
}

} // namespace

class CheckerX11Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scrollLightDrivesTheLed();
    void blinkingEndsWithTheLedOff();
    void windowStartsHiddenPopsUpAndHides();
};

void CheckerX11Test::init()
{
    if (!xvfb)
        QSKIP(qPrintable(xvfbProblem));
}

void CheckerX11Test::scrollLightDrivesTheLed()
{
    const Connection other = observer();
    QVERIFY(other);
    X11KeyboardLight light;
    Notifier notifier(light);
    notifier.scrollLight(0);
    QVERIFY(!scrollLockLedOn(other.get()));

    notifier.scrollLight(1);
    QVERIFY(scrollLockLedOn(other.get()));
    QVERIFY(light.isOn());
    notifier.scrollLight(1);
    QVERIFY(!scrollLockLedOn(other.get()));
    notifier.scrollLight(1);
    notifier.scrollLight(0);
    QVERIFY(!scrollLockLedOn(other.get()));
    notifier.scrollLight(0);
    QVERIFY(!scrollLockLedOn(other.get()));
}

void CheckerX11Test::blinkingEndsWithTheLedOff()
{
    const Connection other = observer();
    QVERIFY(other);
    X11KeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(20ms, 20ms, 20ms);
    notifier.setLighttimerval(1);
    notifier.Lightbrink();
    QVERIFY(scrollLockLedOn(other.get()));
    QTRY_VERIFY(!notifier.isBlinking());
    QVERIFY(!scrollLockLedOn(other.get()));
}

void CheckerX11Test::windowStartsHiddenPopsUpAndHides()
{
    const Connection other = observer();
    QVERIFY(other);
    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("1")},
             {"Option8value", QStringLiteral("1")},
             {"Mailerdir1", QStringLiteral("/usr/bin/mailer")},
             {"Mailerdir2", QStringLiteral("\"/opt/Other Mailer/mailer\" -compose")}});
    MailForm& form = rig.started(2);
    QCoreApplication::processEvents();
    QVERIFY(!form.isVisible());
    QCOMPARE(viewableTopLevels(other.get()), QList<xcb_window_t>());

    // A check that found mail with Japanese senders and subjects.
    form.accounts()[2].Scolor2 = 14745599; // pale yellow rows for account 2
    form.mailTable().growMessages(1, 3);
    form.mailTable().growMessages(2, 3);
    putRow(form, 1, 1, QStringLiteral("山田太郎 <yamada@example.jp>"),
           QStringLiteral("会議の議事録について"), true);
    putRow(form, 1, 2, QStringLiteral("佐藤花子 <hanako@example.co.jp>"),
           QStringLiteral("見積書の送付（再送）"), false);
    putRow(form, 1, 3, QStringLiteral("ﾃｽﾄ送信者 <test@example.jp>"),
           QStringLiteral("①②③ 半角ｶﾀｶﾅの件名"), false);
    putRow(form, 2, 1, QStringLiteral("鈴木一郎 <suzuki@example.net>"),
           QStringLiteral("Re: 来週の予定"), false);
    form.accounts()[1].mailCount = 3;
    form.accounts()[2].mailCount = 1;
    form.accounts()[1].newMailFlg = true;
    form.setMailTotal(4);
    form.endOfCheck();

    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(viewableTopLevels(other.get()).contains(xcb_window_t(form.winId())));
    QCOMPARE(form.windowTitle(), QStringLiteral("4通のメールが届いています!"));
    QCOMPARE(form.lvwMailBox()->rows(), 5);
    QVERIFY(form.lvwMailBox()->hasPicture(1));
    QTRY_VERIFY(scrollLockLedOn(other.get()) || !form.notifier().isBlinking());
    // The user marks the second message.
    form.lvwMailBox()->lvwMailBox_Click(2);
    QVERIFY(form.findChild<QWidget*>(QStringLiteral("RetrBt"))->isEnabled());

    // What the X server shows, saved for the project's documentation.
    const QString folder = qEnvironmentVariable("TAVOWATCH_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QCoreApplication::processEvents();
        const QPixmap shot = form.screen()->grabWindow(form.winId());
        QVERIFY(!shot.isNull());
        const QString file = folder + QStringLiteral("/checker-popup.png");
        QVERIFY(shot.save(file));
        qInfo("screenshot: %s", qPrintable(file));
    }

    // The retrieved message opened from the list, in the viewer beside it.
    MailRecord& retrieved = form.mailTable().entry(1, 1);
    retrieved.Attached = -1;
    retrieved.AttachNames = QStringLiteral("\"議事録.pdf\" ");
    retrieved.Body = QStringLiteral("\r\n------=_Part_0407\r\nContent-Type: text/plain; "
                                    "charset=ISO-2022-JP\r\n\r\n皆様\r\n\r\n"
                                    "先日の会議の議事録を添付します。\r\nご確認ください。\r\n");
    form.lvwMailBox()->lvwMailBox_DblClick(1);
    QVERIFY(form.viewform() && QTest::qWaitForWindowExposed(form.viewform()));
    if (!folder.isEmpty()) {
        QCoreApplication::processEvents();
        const QPixmap shot = form.screen()->grabWindow(form.viewform()->winId());
        QVERIFY(shot.save(folder + QStringLiteral("/viewer.png")));
    }
    form.viewform()->close();

    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("OkBt")), Qt::LeftButton);
    QVERIFY(form.isHidden());
    QTRY_VERIFY(!viewableTopLevels(other.get()).contains(xcb_window_t(form.winId())));
    QVERIFY(!scrollLockLedOn(other.get()));
}

int main(int argc, char* argv[])
{
    XvfbServer server;
    xvfbProblem = server.startForThisProcess();
    if (xvfbProblem.isEmpty())
        xvfb = &server;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    CheckerX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "CheckerX11Test.moc"
