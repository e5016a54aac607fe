// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/CanberraSoundPlayer.h"
#include "support/PulseServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

constexpr int sampleRate = 44100;

// A mono 16-bit PCM RIFF/WAVE file holding a 440 Hz tone.
bool writeTone(const QString& path, double seconds)
{
    const int frames = int(sampleRate * seconds);
    QByteArray samples(frames * 2, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i) {
        const auto value =
            qint16(12000 * std::sin(2 * std::numbers::pi * 440 * i / double(sampleRate)));
        qToLittleEndian(value, samples.data() + 2 * i);
    }
    QByteArray file;
    auto add32 = [&file](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    auto add16 = [&file](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        file.append(b, 2);
    };
    file.append("RIFF");
    add32(quint32(36 + samples.size()));
    file.append("WAVEfmt ");
    add32(16);
    add16(1); // PCM
    add16(1); // mono
    add32(sampleRate);
    add32(sampleRate * 2);
    add16(2);
    add16(16);
    file.append("data");
    add32(quint32(samples.size()));
    file.append(samples);

    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

// One play() observed from the caller's side.
struct Observation
{
    bool finishedInsidePlay = false;
    bool finished = false;
    int finishedCount = 0;
    bool onUiThread = false;
    qint64 finishedAfterMs = -1;
};

std::function<void()> observe(Observation& seen, const bool& insidePlay, const QElapsedTimer& clock)
{
    return [&seen, &insidePlay, &clock] {
        seen.finishedInsidePlay = seen.finishedInsidePlay || insidePlay;
        seen.finished = true;
        ++seen.finishedCount;
        seen.onUiThread = QThread::currentThread() == qApp->thread();
        seen.finishedAfterMs = clock.elapsed();
    };
}

} // namespace

class CanberraSoundPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playsToTheEndWithoutBlocking();
    void soundIsHeard();
    void unplayableFileEndsAtOnce_data();
    void unplayableFileEndsAtOnce();
    void soundsPlayOneAfterAnother();
    void destroyedWhilePlaying();
    void noSoundServer();

private:
    void play(CanberraSoundPlayer& player, const QString& file, Observation& seen);

    QTemporaryDir m_dir;
    std::unique_ptr<PulseServer> m_pulse;
    QString m_tone;
    bool m_insidePlay = false;
    QElapsedTimer m_clock;
};

void CanberraSoundPlayerTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(writeTone(m_tone, 0.3));
    if (!PulseServer::isInstalled())
        QSKIP("pulseaudio is not installed (Debian package pulseaudio)");
    m_pulse = std::make_unique<PulseServer>();
    if (!m_pulse->start())
        QSKIP(qPrintable(QStringLiteral("no PulseAudio daemon: ") + m_pulse->errorString()));
    // libcanberra's PulseAudio backend connects to this server.
    qputenv("PULSE_SERVER", m_pulse->address().toLocal8Bit());
}

void CanberraSoundPlayerTest::play(CanberraSoundPlayer& player, const QString& file,
                                   Observation& seen)
{
    m_clock.start();
    m_insidePlay = true;
    player.play(file, observe(seen, m_insidePlay, m_clock));
    m_insidePlay = false;
}

void CanberraSoundPlayerTest::playsToTheEndWithoutBlocking()
{
    CanberraSoundPlayer player;
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(20);

    Observation seen;
    play(player, m_tone, seen);
    QVERIFY(!seen.finished);
    QTRY_VERIFY_WITH_TIMEOUT(seen.finished, 10000);
    QVERIFY(!seen.finishedInsidePlay);
    QVERIFY(seen.onUiThread);
    // 0.3 s of sound: the end is reported after it, not when streaming starts.
    QVERIFY2(seen.finishedAfterMs >= 200, qPrintable(QString::number(seen.finishedAfterMs)));
    // The event loop kept running meanwhile.
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QTest::qWait(100);
    QCOMPARE(seen.finishedCount, 1);
}

void CanberraSoundPlayerTest::soundIsHeard()
{
    // Record the null sink's monitor while the tone plays.
    QProcess recorder;
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--server=") + m_pulse->address(),
                    QStringLiteral("--device=null.monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    if (!recorder.waitForStarted())
        QSKIP("parec is not installed (Debian package pulseaudio-utils)");
    // Give parec time to connect its record stream before the tone starts.
    QTRY_VERIFY_WITH_TIMEOUT(recorder.bytesAvailable() > 0, 5000);

    CanberraSoundPlayer player;
    Observation seen;
    play(player, m_tone, seen);
    QTRY_VERIFY_WITH_TIMEOUT(seen.finished, 10000);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));

    const QByteArray pcm = recorder.readAllStandardOutput();
    int loud = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
        if (std::abs(qFromLittleEndian<qint16>(pcm.constData() + i)) > 4000)
            ++loud;
    }
    // The tone peaks at 12000; a tenth of its samples is plenty to tell it
    // from silence.
    QVERIFY2(loud > sampleRate * 0.3 / 10, qPrintable(QString::number(loud)));
}

void CanberraSoundPlayerTest::unplayableFileEndsAtOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    QTest::addRow("missing file") << QStringLiteral("missing.wav") << QByteArray();
    QTest::addRow("text named .wav")
        << QStringLiteral("text.wav") << QByteArray("this is not a sound\n");
    QTest::addRow("RIFF header cut short")
        << QStringLiteral("short.wav") << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
    QTest::addRow("empty file") << QStringLiteral("empty.wav") << QByteArray("");
    QTest::addRow("empty name") << QString() << QByteArray();
    QTest::addRow("a folder") << QStringLiteral(".") << QByteArray();
}

void CanberraSoundPlayerTest::unplayableFileEndsAtOnce()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QString path;
    if (!name.isEmpty())
        path = m_dir.filePath(name);
    if (!content.isNull())
        QVERIFY(writeBytes(path, content));

    CanberraSoundPlayer player;
    Observation seen;
    play(player, path, seen);
    QVERIFY(!seen.finished);
    QTRY_VERIFY_WITH_TIMEOUT(seen.finished, 2000);
    QVERIFY(!seen.finishedInsidePlay);
    QVERIFY(seen.onUiThread);
    QVERIFY2(seen.finishedAfterMs < 500, qPrintable(QString::number(seen.finishedAfterMs)));
    QTest::qWait(50);
    QCOMPARE(seen.finishedCount, 1);
}

void CanberraSoundPlayerTest::soundsPlayOneAfterAnother()
{
    // The checker's order: one sound to its end, then the next, started from
    // the first one's finished.
    CanberraSoundPlayer player;
    Observation first;
    Observation second;
    m_clock.start();
    player.play(m_tone, [&] {
        observe(first, m_insidePlay, m_clock)();
        player.play(m_tone, observe(second, m_insidePlay, m_clock));
    });
    QTRY_VERIFY_WITH_TIMEOUT(second.finished, 10000);
    QVERIFY(second.finishedAfterMs - first.finishedAfterMs >= 200);
    QCOMPARE(first.finishedCount, 1);
    QCOMPARE(second.finishedCount, 1);
}

void CanberraSoundPlayerTest::destroyedWhilePlaying()
{
    Observation seen;
    {
        CanberraSoundPlayer player;
        play(player, m_tone, seen);
        player.play(m_tone, {});
        QTest::qWait(50);
    }
    // libcanberra reports the stopped sounds while the player goes away;
    // nothing of it may reach the destroyed player.
    QTest::qWait(500);
    QVERIFY(!seen.finished);
}

void CanberraSoundPlayerTest::noSoundServer()
{
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
    {
        CanberraSoundPlayer player;
        Observation seen;
        play(player, m_tone, seen);
        QVERIFY(!seen.finished);
        // libcanberra may still try ALSA after PulseAudio; either way the
        // sound ends without hanging.
        QTRY_VERIFY_WITH_TIMEOUT(seen.finished, 3000);
        QVERIFY(!seen.finishedInsidePlay);

        // The next sound tries the server again rather than giving up.
        Observation again;
        play(player, m_tone, again);
        QTRY_VERIFY_WITH_TIMEOUT(again.finished, 3000);
    }
    qputenv("PULSE_SERVER", saved);
}

QTEST_MAIN(CanberraSoundPlayerTest)
#include "CanberraSoundPlayerTest.moc"
