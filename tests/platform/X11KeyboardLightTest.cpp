// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/X11KeyboardLight.h"
#include "support/XcbClient.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using XcbClient::Connection;
using XcbClient::connectTo;

// The LED mask as another client sees it; all bits set when the server did
// not answer, so that no expected mask matches.
quint32 ledMask(xcb_connection_t* connection)
{
    return XcbClient::ledMask(connection).value_or(0xffffffffu);
}

void setLed(xcb_connection_t* connection, quint32 led, bool on)
{
    const quint32 values[] = {led, on ? quint32(XCB_LED_MODE_ON) : quint32(XCB_LED_MODE_OFF)};
    std::free(xcb_request_check(connection, xcb_change_keyboard_control_checked(
                                                connection, XCB_KB_LED | XCB_KB_LED_MODE, values)));
}

constexpr quint32 scrollLockBit = 1u << 2;
// Caps Lock and Num Lock (LEDs 1 and 2) follow the keyboard state under XKB
// and cannot be set by a client; LED 4 can.
constexpr quint32 neighbourLed = 4;
constexpr quint32 neighbourBit = 1u << (neighbourLed - 1);

// Child mode: switch the light through the QGuiApplication's own X11
// connection (the test itself runs on the offscreen platform).
int setLightThroughQt(int argc, char** argv, bool on)
{
    QGuiApplication app(argc, argv);
    X11KeyboardLight light;
    light.setOn(on);
    std::printf("%s\n", light.isOn() ? "on" : "off");
    return 0;
}

} // namespace

class X11KeyboardLightTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void followsWhatIsWritten();
    void leavesTheOtherLedsAlone();
    void qtConnectionIsUsed();
    void withoutDisplayIsDark();

private:
    XvfbServer m_xvfb;
    Connection m_connection;
    Connection m_observer;
};

void X11KeyboardLightTest::initTestCase()
{
    if (!XvfbServer::isInstalled())
        QSKIP("Xvfb is not installed (Debian package xvfb)");
    QVERIFY2(m_xvfb.start(), qPrintable(m_xvfb.errorString()));
    m_connection = connectTo(m_xvfb.display());
    m_observer = connectTo(m_xvfb.display());
    QVERIFY(m_connection);
    QVERIFY(m_observer);
}

void X11KeyboardLightTest::followsWhatIsWritten()
{
    X11KeyboardLight light(m_connection.get());
    light.setOn(false);
    QVERIFY(!light.isOn());
    QCOMPARE(ledMask(m_observer.get()) & scrollLockBit, 0u);

    light.setOn(true);
    QVERIFY(light.isOn());
    // The server's state, not something the writer remembers.
    QCOMPARE(ledMask(m_observer.get()) & scrollLockBit, scrollLockBit);
    QVERIFY(X11KeyboardLight(m_observer.get()).isOn());

    // Writing the same state again is no toggle.
    light.setOn(true);
    QVERIFY(light.isOn());

    light.setOn(false);
    QVERIFY(!light.isOn());
    QCOMPARE(ledMask(m_observer.get()) & scrollLockBit, 0u);
}

void X11KeyboardLightTest::leavesTheOtherLedsAlone()
{
    // LED mode without an LED number would switch every LED at once.
    setLed(m_observer.get(), neighbourLed, true);
    X11KeyboardLight light(m_connection.get());
    light.setOn(true);
    light.setOn(false);
    QCOMPARE(ledMask(m_observer.get()) & neighbourBit, neighbourBit);
    light.setOn(true);
    setLed(m_observer.get(), neighbourLed, false);
    QVERIFY(light.isOn());
    light.setOn(false);
}

void X11KeyboardLightTest::qtConnectionIsUsed()
{
    setLed(m_observer.get(), 3, false);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), m_xvfb.display());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--set-light-through-qt"), QStringLiteral("on")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("on"));
    QCOMPARE(ledMask(m_observer.get()) & scrollLockBit, scrollLockBit);
    setLed(m_observer.get(), 3, false);
}

void X11KeyboardLightTest::withoutDisplayIsDark()
{
    // This process runs on the offscreen platform: Qt offers an X11
    // interface there, but with no connection behind it.
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    X11KeyboardLight light;
    light.setOn(true);
    QVERIFY(!light.isOn());

    X11KeyboardLight none(nullptr);
    none.setOn(true);
    QVERIFY(!none.isOn());
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--set-light-through-qt") == 0)
        return setLightThroughQt(argc, argv, qstrcmp(argv[2], "on") == 0);
    QGuiApplication app(argc, argv);
    X11KeyboardLightTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "X11KeyboardLightTest.moc"
