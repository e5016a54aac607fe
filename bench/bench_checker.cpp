// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The checks of the real tavowatchl, started under a private Xvfb against a
// local Dovecot, next to the floor any client can reach: a minimal client
// on a blocking socket that sends the same commands (USER, PASS, STAT,
// "TOP n 5" for every message, QUIT) one after another.
//
// Every session is timed from the greeting to the answer to QUIT, so that
// the start-up of the program and the end of the check (the list, the
// pop-up) count only as far as they slow the session down: by the server's
// own transcript, or in the section "tapped" by a relay without delay on a
// Dovecot that keeps none. The transcript costs the server a write of every
// line it reads and sends, about 50 us a command for every client alike,
// which narrows the gap between clients: the raw client with 64 TOPs in
// flight takes about 0.42 of the blocking one's time for 5,000 messages on
// the tap, 0.6 to 0.75 by the transcripts. Server, X server, raw
// clients and program run on one CPU: on two cores every round trip would
// pay a cross-core wake-up, which makes the times vary by a factor of three
// from run to run. Every figure is the
// median over several pairs of runs, a ratio the median of the pairs'
// ratios.
//
// Sections (TAVOWATCH_BENCH_SECTIONS picks some,
// "first,tapped,later,slow,old,tls"):
// - first: the first check of mailboxes of 200, 1,000 and 5,000 messages
//   (or the sizes on the command line), with two raw clients that keep 64
//   TOPs in flight (RFC 2449 PIPELINING) for reference, one of them after
//   CAPA and UIDL as a checker that reuses summaries must ask.
// - tapped: the first check of the largest mailbox on a Dovecot without
//   transcripts, timed on the link; goal at most 0.65 of the blocking raw
//   client.
// - later: the same running checker checks the largest mailbox again after
//   one new message was delivered; goal at most 0.2 of the blocking raw
//   client's full check, next to a raw client that sends only CAPA, UIDL
//   and the one TOP.
// - slow: 1,000 messages through a relay that delays every chunk by 2 ms
//   each way; goal at most 0.05 of the blocking raw client through it.
// - old: 1,000 messages through a relay that answers CAPA and UIDL "-ERR",
//   a server of RFC 1939 alone; as before, at most 1.2.
// - tls: 1,000 messages over TLS (POP3 over TLS) against clear text, on two
//   Dovecots that differ only in TLS; goal at most 1.3.
// A summary of the first four ratios ends the output.

#include "settings/PasswordForm.h"
#include "settings/SettingsStore.h"
#include "support/DovecotServer.h"
#include "support/XvfbServer.h"

#include "LinkProxy.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// The first check of the largest mailbox against the blocking raw client.
constexpr double firstCheckGoal = 0.65;
// A later check with one new message against the raw client's full check.
constexpr double laterCheckGoal = 0.2;
// A first check through a link with slowLinkDelay each way.
constexpr double slowLinkGoal = 0.05;
constexpr std::chrono::milliseconds slowLinkDelay{2};
// A server without UIDL and PIPELINING: the exchange of one command at a
// time, as before.
constexpr double oldServerGoal = 1.2;
constexpr int relayedMessages = 1000;
// A check over TLS against the same check in clear text.
constexpr double tlsGoal = 1.3;
constexpr int tlsMessages = 1000;
// TOPs the pipelining raw clients keep in flight; on the slow link also
// about 16 KB of them ("TOP 1000 5" and its CR LF are 12 bytes).
constexpr int window = 64;
constexpr int wideWindow = 16384 / 12;
// TAVOWATCH_BENCH_RUNS overrides the number of runs of each section; the
// first-check table and TLS take 15 by default, the other sections, whose
// runs are longer, 7.
int repetitions(int byDefault)
{
    const int runs = qEnvironmentVariableIntValue("TAVOWATCH_BENCH_RUNS");
    return runs > 0 ? runs : byDefault;
}
// A message as a Japanese mail program sends it: encoded sender and
// subject, an ISO-2022-JP body of a dozen lines.
QByteArray sampleMessage(int n)
{
    QByteArray body;
    for (int line = 0; line < 12; ++line)
        body += "\x1b$B$3$l$OK\\J8$N9T$G$9!#\x1b(B " + QByteArray::number(line) + '\n';
    const QByteArray number = QByteArray::number(n);
    return "Return-Path: <sender" + number +
           "@example.co.jp>\n"
           "Received: from mail.example.co.jp by pop.example.jp; Wed, 01 Apr 2026 09:00:00 +0900\n"
           "Date: Wed, 01 Apr 2026 09:00:00 +0900\n"
           "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <sender" +
           number +
           "@example.co.jp>\n"
           "To: you@example.jp\n"
           "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRONURCahsoQg==?= No." +
           number +
           "\n"
           "Message-ID: <" +
           number +
           ".bench@example.co.jp>\n"
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\n"
           "Content-Transfer-Encoding: 7bit\n\n" +
           body;
}

// Runs this process (and what it starts from now on) on one CPU, as
// "taskset -c" would.
void pinTo(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

// The server's transcripts: before login (login processes) and after.
QStringList transcriptFolders(const DovecotServer& server)
{
    return {server.path() + QStringLiteral("/run/login/rawlogs"),
            server.path() + QStringLiteral("/rawlog")};
}

void clearTranscripts(const DovecotServer& server)
{
    for (const QString& folder : transcriptFolders(server)) {
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext())
            QFile::remove(it.next());
    }
}

// Whether the server has answered QUIT after login.
bool sessionEnded(const DovecotServer& server)
{
    QDirIterator it(server.path() + QStringLiteral("/rawlog"), {QStringLiteral("*.out")},
                    QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.seek(std::max<qint64>(0, file.size() - 64));
        if (file.readAll().contains("Logging out"))
            return true;
    }
    return false;
}

// Seconds from the first to the last line of the transcripts: the greeting
// to the answer to QUIT. Lines are "<seconds>.<microseconds> <text>".
double sessionSeconds(const DovecotServer& server)
{
    double first = 0;
    double last = 0;
    for (const QString& folder : transcriptFolders(server)) {
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& line : file.readAll().split('\n')) {
                const qsizetype blank = line.indexOf(' ');
                if (blank <= 0)
                    continue;
                bool ok = false;
                const double stamp = line.left(blank).toDouble(&ok);
                if (!ok)
                    continue;
                first = first == 0 ? stamp : std::min(first, stamp);
                last = std::max(last, stamp);
            }
        }
    }
    return last - first;
}

// The minimal client: one blocking socket, each command written when the
// previous reply is complete, or, pipelining, several written ahead.
class RawClient
{
public:
    explicit RawClient(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    bool ok() const { return m_fd >= 0; }

    void command(const std::string& line) const
    {
        [[maybe_unused]] const ssize_t sent = ::send(m_fd, line.data(), line.size(), 0);
    }
    // Reads until terminator; returns the reply.
    std::string reply(const char* terminator)
    {
        const std::size_t length = std::char_traits<char>::length(terminator);
        std::size_t scanned = 0;
        for (;;) {
            const std::size_t found =
                m_buffer.find(terminator, scanned > length ? scanned - length : 0);
            if (found != std::string::npos) {
                std::string reply = m_buffer.substr(0, found + length);
                m_buffer.erase(0, found + length);
                return reply;
            }
            scanned = m_buffer.size();
            if (!receive())
                return m_buffer;
        }
    }
    // Removes the complete replies that have arrived, each ending in
    // terminator, and returns how many; reads once first when none has.
    int replies(const char* terminator)
    {
        const std::size_t length = std::char_traits<char>::length(terminator);
        for (;;) {
            int complete = 0;
            std::size_t from = 0;
            for (std::size_t found; (found = m_buffer.find(terminator, from)) != std::string::npos;
                 from = found + length)
                ++complete;
            if (complete > 0) {
                m_buffer.erase(0, from);
                return complete;
            }
            if (!receive())
                return 0;
        }
    }

private:
    bool receive()
    {
        char chunk[65536];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        m_buffer.append(chunk, std::size_t(n));
        return true;
    }

    int m_fd = -1;
    std::string m_buffer;
};

enum class RawExchange {
    // USER, PASS, STAT, QUIT: makes the server take in what was delivered.
    Stat,
    // "TOP n 5" for every message, one after another.
    Blocking,
    // The same TOPs, inFlight of them in flight.
    Pipelined,
    // CAPA first, UIDL after STAT, then the TOPs pipelined: a first check
    // that learns the unique ids.
    UidlPipelined,
    // CAPA, UIDL and one TOP of the last message: a later check that knows
    // every id but the new one.
    UidlOneTop,
};

// One session on port; true when STAT counted expected messages.
bool rawRun(quint16 port, const std::string& user, const std::string& password, int expected,
            RawExchange exchange = RawExchange::Blocking, int inFlight = window)
{
    RawClient client(port);
    if (!client.ok())
        return false;
    const bool withUidl =
        exchange == RawExchange::UidlPipelined || exchange == RawExchange::UidlOneTop;
    client.reply("\r\n");
    if (withUidl) {
        client.command("CAPA\r\n");
        client.reply("\r\n.\r\n");
    }
    client.command("USER " + user + "\r\n");
    client.reply("\r\n");
    client.command("PASS " + password + "\r\n");
    client.reply("\r\n");
    client.command("STAT\r\n");
    const std::string stat = client.reply("\r\n");
    const int count = std::atoi(stat.c_str() + 4);
    if (withUidl && count > 0) {
        client.command("UIDL\r\n");
        client.reply("\r\n.\r\n");
    }
    switch (exchange) {
    case RawExchange::Stat:
        break;
    case RawExchange::Blocking:
        for (int n = 1; n <= count; ++n) {
            client.command("TOP " + std::to_string(n) + " 5\r\n");
            client.reply("\r\n.\r\n");
        }
        break;
    case RawExchange::Pipelined:
    case RawExchange::UidlPipelined:
        // As an event loop would: what has arrived is taken in, then the
        // window is filled again with one write.
        for (int sent = 0, answered = 0; answered < count;) {
            std::string commands;
            for (; sent < count && sent - answered < inFlight; ++sent)
                commands += "TOP " + std::to_string(sent + 1) + " 5\r\n";
            if (!commands.empty())
                client.command(commands);
            const int replies = client.replies("\r\n.\r\n");
            if (replies == 0)
                return false;
            answered += replies;
        }
        break;
    case RawExchange::UidlOneTop:
        if (count > 0) {
            client.command("TOP " + std::to_string(count) + " 5\r\n");
            client.reply("\r\n.\r\n");
        }
        break;
    }
    client.command("QUIT\r\n");
    client.reply("\r\n");
    return count == expected;
}

// The checker with a settings file of one account that checks at start-up.
class CheckerRun
{
public:
    // tls and pin: the account's "Tls" and "TlsPin"; host: its server.
    CheckerRun(const QString& display, quint16 port, const QString& user, const QString& password,
               const QString& host = QStringLiteral("127.0.0.1"), int tls = 0,
               const QString& pin = QString())
    {
        QDir(m_home.path()).mkpath(QStringLiteral("config/tavowatch"));
        QDir(m_home.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(m_home.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                          QFileDevice::WriteOwner |
                                                                          QFileDevice::ExeOwner);
        Settings::SettingsStore store(
            m_home.filePath(QStringLiteral("config/tavowatch/tavowatch.ini")));
        const std::initializer_list<std::pair<const char*, QString>> values{
            {"accountno", QStringLiteral("1")},
            {"Option1value", QStringLiteral("1")},
            {"Option4value", QStringLiteral("0")},
            {"Option5value", QStringLiteral("1")},
            {"Option7value", QStringLiteral("1")},
            {"Aname1", QStringLiteral("ベンチ")},
            {"Hname1", host},
            {"Tls1", QString::number(tls)},
            {"TlsPin1", pin},
            {"Portno1", QString::number(port)},
            {"Uname1", user},
            {"Passw1", Settings::EncodePassword(password)},
        };
        for (const auto& [key, value] : values)
            store.save(QString::fromLatin1(key), value);
        store.sync();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_process.setProcessEnvironment(env);
        // TAVOWATCH_BENCH_WRAPPER runs the checker under a tool, for example
        // "strace -f -o /tmp/checker.strace".
        QStringList command = QProcessEnvironment::systemEnvironment()
                                  .value(QStringLiteral("TAVOWATCH_BENCH_WRAPPER"))
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        command.append(QStringLiteral(TAVOWATCHL_PATH));
        m_process.setProgram(command.takeFirst());
        m_process.setArguments(command);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~CheckerRun()
    {
        // A tool around the checker needs the time to write its results.
        if (m_process.program() != QStringLiteral(TAVOWATCHL_PATH)) {
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    CheckerRun(const CheckerRun&) = delete;
    CheckerRun& operator=(const CheckerRun&) = delete;

    // Another setting, before start().
    void set(const QString& key, const QString& value)
    {
        Settings::SettingsStore store(
            m_home.filePath(QStringLiteral("config/tavowatch/tavowatch.ini")));
        store.save(key, value);
        store.sync();
    }

    bool start()
    {
        m_process.start();
        return m_process.waitForStarted();
    }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_home;
    QProcess m_process;
};

// TAVOWATCH_BENCH_TRANSCRIPTS names a folder that keeps each run's server
// transcripts, to see where the time of a session goes.
void keepTranscripts(const DovecotServer& server, const QString& name)
{
    const QString folder = QProcessEnvironment::systemEnvironment().value(
        QStringLiteral("TAVOWATCH_BENCH_TRANSCRIPTS"));
    if (folder.isEmpty())
        return;
    QDir(folder).mkpath(name);
    for (const QString& source : transcriptFolders(server)) {
        QDirIterator it(source, QDir::Files);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile::copy(file, folder + QLatin1Char('/') + name + QLatin1Char('/') +
                                  QFileInfo(file).fileName());
        }
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each run of one side is set against the run of the other in its pair:
// the speed of a shared machine drifts over seconds, and a pair taken
// moments apart sees the same speed.
double medianRatio(const std::vector<double>& times, const std::vector<double>& reference)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < times.size() && i < reference.size(); ++i)
        ratios.push_back(times[i] / reference[i]);
    return median(ratios);
}

const char* verdict(double ratio, double goal)
{
    return ratio <= goal ? "met" : "MISSED";
}

// Presses keys ("ctrl+F3") on display as a keyboard would, through XTest.
bool pressKeys(const QString& display, const QString& keys)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Whether a client has connected since the transcripts were cleared.
bool sessionBegun(const DovecotServer& server)
{
    const QStringList folders = transcriptFolders(server);
    return std::any_of(folders.begin(), folders.end(),
                       [](const QString& folder) { return !QDir(folder).isEmpty(); });
}

// Presses the checker's check key (Ctrl+F3) until a session begins. Now
// and then a press from xdotool brings no check here (the cause is not
// known yet), so one that brings no connection within two seconds is
// repeated; a press after the session began would cancel it. retries
// counts the presses repeated.
bool pressCheckKey(const QString& display, const DovecotServer& server, int& retries)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0)
            ++retries;
        if (!pressKeys(display, QStringLiteral("ctrl+F3")))
            return false;
        QDeadlineTimer deadline(2000);
        while (!sessionBegun(server) && !deadline.hasExpired())
            QThread::msleep(20);
        if (sessionBegun(server))
            return true;
    }
    return false;
}

// Takes the last delivered message of user out of the Maildir behind the
// server's back; delivered names sort in delivery order, in new/ and, once
// the server has seen them, in cur/ with a suffix.
bool removeNewest(const DovecotServer& server, const QString& user)
{
    const QString maildir =
        server.path() + QStringLiteral("/home/") + user + QStringLiteral("/Maildir/");
    QString newest;
    for (const char* folder : {"new", "cur"}) {
        QDirIterator it(maildir + QLatin1String(folder), QDir::Files);
        while (it.hasNext()) {
            const QString file = it.next();
            if (newest.isEmpty() || QFileInfo(file).fileName() > QFileInfo(newest).fileName())
                newest = file;
        }
    }
    return !newest.isEmpty() && QFile::remove(newest);
}

// The sessions the server saw after login since the transcripts were
// cleared, and whether one of them asked for a TOP.
struct SessionsSeen
{
    int sessions = 0;
    bool top = false;
};

SessionsSeen sessionsSeen(const DovecotServer& server)
{
    SessionsSeen seen;
    QDirIterator it(server.path() + QStringLiteral("/rawlog"), {QStringLiteral("*.in")},
                    QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        ++seen.sessions;
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(" TOP "))
            seen.top = true;
    }
    return seen;
}

bool checkerWaitsForSessionEnd(const DovecotServer& server, const CheckerRun& run)
{
    // Each look for the end reads the server's transcripts on the checker's
    // CPU (a few hundred microseconds), so it looks seldom; when it sees the
    // end does not change the time measured. Waiting on the other CPU made
    // the runs vary more.
    QDeadlineTimer deadline(120000);
    while (!sessionEnded(server) && run.running() && !deadline.hasExpired())
        QThread::msleep(100);
    return sessionEnded(server);
}

// One first check by the checker, connecting to port (the server's, or a
// relay's); its session time is appended to times.
bool timeChecker(const XvfbServer& xvfb, const DovecotServer& server, quint16 port,
                 const QString& user, const QString& password, std::vector<double>& times)
{
    // The end of the previous run (a process gone, its X client and server
    // sessions cleaned up) must not fall into this one.
    QThread::msleep(300);
    clearTranscripts(server);
    CheckerRun run(xvfb.display(), port, user, password);
    if (!run.start()) {
        std::fprintf(stderr, "bench_checker: tavowatchl did not start\n");
        return false;
    }
    if (!checkerWaitsForSessionEnd(server, run)) {
        std::fprintf(stderr, "bench_checker: tavowatchl did not end its session\n");
        return false;
    }
    times.push_back(sessionSeconds(server));
    return true;
}

// One raw session on port (the server's, or a relay's); its time is
// appended to times.
bool timeRaw(const DovecotServer& server, quint16 port, const QString& user,
             const QString& password, int expected, RawExchange exchange,
             std::vector<double>& times, int inFlight = window)
{
    QThread::msleep(300);
    clearTranscripts(server);
    if (!rawRun(port, user.toStdString(), password.toStdString(), expected, exchange, inFlight)) {
        std::fprintf(stderr, "bench_checker: the raw client failed\n");
        return false;
    }
    QThread::msleep(100); // the transcript is written as the server reads
    times.push_back(sessionSeconds(server));
    return true;
}

// Runs the steps of a pair in order, then, every other time, in the
// reverse order, so that no side always follows another.
bool runPair(int i, const std::vector<std::function<bool()>>& steps)
{
    if (i % 2 == 0)
        return std::all_of(steps.begin(), steps.end(), [](const auto& step) { return step(); });
    return std::all_of(steps.rbegin(), steps.rend(), [](const auto& step) { return step(); });
}

// A line of the closing summary: one ratio, its goal and whether it is met.
std::string summaryLine(const char* what, double ratio, double goal)
{
    char line[200];
    std::snprintf(line, sizeof line, "%-58s %6.3f  goal <= %.2f: %s", what, ratio, goal,
                  verdict(ratio, goal));
    return line;
}

QList<QByteArray> sampleMessages(int count)
{
    QList<QByteArray> messages;
    for (int n = 1; n <= count; ++n)
        messages.append(sampleMessage(n));
    return messages;
}

// The first check of each mailbox by the checker, the blocking raw client
// and the two pipelining raw clients.
bool firstChecks(const XvfbServer& xvfb, DovecotServer& server, const std::vector<int>& sizes)
{
    const int runs = repetitions(15);
    std::printf("first check (raw clients with %d TOPs in flight for reference)\n", window);
    std::printf("%-10s %12s %12s %7s %14s %7s %14s %7s\n", "messages", "raw client", "tavowatchl",
                "ratio", "pipelined", "ratio", "CAPA+UIDL+pipe", "ratio");
    for (int size : sizes) {
        const QString user = QStringLiteral("u%1").arg(size);
        const QString password = QStringLiteral("pw%1").arg(size);
        // The first session makes Dovecot index the mailbox.
        rawRun(server.port(), user.toStdString(), password.toStdString(), size);
        std::vector<double> raw;
        std::vector<double> pipelined;
        std::vector<double> uidl;
        std::vector<double> checker;
        const auto rawStep = [&](RawExchange exchange, std::vector<double>& times, const char* name,
                                 int i) {
            return [&, exchange, name, i] {
                if (!timeRaw(server, server.port(), user, password, size, exchange, times))
                    return false;
                keepTranscripts(
                    server, QStringLiteral("%1-%2-%3").arg(QLatin1String(name)).arg(size).arg(i));
                return true;
            };
        };
        for (int i = 0; i < runs; ++i) {
            const bool ok = runPair(
                i, {rawStep(RawExchange::Blocking, raw, "raw", i),
                    rawStep(RawExchange::Pipelined, pipelined, "pipelined", i),
                    rawStep(RawExchange::UidlPipelined, uidl, "uidl", i), [&, i] {
                        if (!timeChecker(xvfb, server, server.port(), user, password, checker))
                            return false;
                        keepTranscripts(server, QStringLiteral("checker-%1-%2").arg(size).arg(i));
                        return true;
                    }});
            if (!ok)
                return false;
        }
        const double ratio = medianRatio(checker, raw);
        std::printf("%-10d %10.4f s %10.4f s %7.2f %12.4f s %7.2f %12.4f s %7.2f\n", size,
                    median(raw), median(checker), ratio, median(pipelined),
                    medianRatio(pipelined, raw), median(uidl), medianRatio(uidl, raw));
        std::fflush(stdout);
    }
    // The transcripts narrow every gap alike: the goal is judged where the
    // server keeps none (the section "tapped").
    std::printf("(timed by the server's transcripts; the goal of %.2f is judged in "
                "\"tapped\")\n\n",
                firstCheckGoal);
    return true;
}

// The same running checker checks again after one new message came: only
// that second session is timed. Every measurement begins from the same
// state, size messages the server has taken in and one delivered since;
// the new message is taken out again after each.
bool laterCheck(const XvfbServer& xvfb, DovecotServer& server, const DovecotServer::User& user,
                int size, std::vector<std::string>& summary)
{
    const int runs = repetitions(7);
    const std::string name = user.name.toStdString();
    const std::string password = user.password.toStdString();
    std::vector<double> full;
    std::vector<double> floor;
    std::vector<double> checker;
    int keyRetries = 0;
    const auto rawStep = [&](RawExchange exchange, std::vector<double>& times) {
        return [&, exchange] {
            QThread::msleep(300);
            if (!rawRun(server.port(), name, password, size, RawExchange::Stat) ||
                !server.deliver(user.name, sampleMessage(size + 1)) ||
                !timeRaw(server, server.port(), user.name, user.password, size + 1, exchange,
                         times))
                return false;
            return removeNewest(server, user.name);
        };
    };
    const auto checkerStep = [&] {
        QThread::msleep(300);
        clearTranscripts(server);
        CheckerRun run(xvfb.display(), server.port(), user.name, user.password);
        // "Notify only when something changed": the count changes, so the
        // check lists all the same, and an unchanged mailbox would show up
        // as a session without TOP below.
        run.set(QStringLiteral("Option6value"), QStringLiteral("1"));
        // The check command's hotkey, Ctrl+F3 (its default).
        run.set(QStringLiteral("Hotkeynum1"), QStringLiteral("114"));
        if (!run.start() || !checkerWaitsForSessionEnd(server, run)) {
            std::fprintf(stderr, "bench_checker: tavowatchl did not end its first check\n");
            return false;
        }
        // The cycle ends a second after the account's session (the pause
        // before the next account), and then shows the list.
        QThread::msleep(1500);
        clearTranscripts(server);
        if (!server.deliver(user.name, sampleMessage(size + 1)) ||
            !pressCheckKey(xvfb.display(), server, keyRetries)) {
            std::fprintf(stderr, "bench_checker: no new message, or no check for the key\n");
            return false;
        }
        if (!checkerWaitsForSessionEnd(server, run)) {
            std::fprintf(stderr, "bench_checker: tavowatchl did not end its second check\n");
            return false;
        }
        const SessionsSeen seen = sessionsSeen(server);
        if (seen.sessions != 1 || !seen.top) {
            std::fprintf(stderr,
                         "bench_checker: the second check was %d sessions, %s TOP; expected "
                         "one with TOP\n",
                         seen.sessions, seen.top ? "with" : "without");
            return false;
        }
        checker.push_back(sessionSeconds(server));
        keepTranscripts(server, QStringLiteral("later-%1").arg(checker.size()));
        return removeNewest(server, user.name);
    };
    // The first session makes Dovecot index the mailbox.
    rawRun(server.port(), name, password, size, RawExchange::Stat);
    for (int i = 0; i < runs; ++i) {
        if (!runPair(i, {rawStep(RawExchange::Blocking, full), checkerStep,
                         rawStep(RawExchange::UidlOneTop, floor)}))
            return false;
    }
    const double ratio = medianRatio(checker, full);
    std::printf("later check of %d messages, one of them new\n", size + 1);
    std::printf("%-44s %10.4f s\n", "blocking raw client, full check", median(full));
    std::printf("%-44s %10.4f s %7.3f\n", "raw client: CAPA, UIDL and the new TOP", median(floor),
                medianRatio(floor, full));
    std::printf("%-44s %10.4f s %7.3f\n", "tavowatchl, second check", median(checker), ratio);
    if (keyRetries > 0)
        std::printf("(the check key was pressed again %d times: the first press was lost)\n",
                    keyRetries);
    std::printf("goal: later check / blocking raw client <= %.2f (median of %d, one CPU): %s\n\n",
                laterCheckGoal, runs, verdict(ratio, laterCheckGoal));
    summary.push_back(summaryLine(
        qPrintable(QStringLiteral("later check, %1 messages, one new / raw client").arg(size + 1)),
        ratio, laterCheckGoal));
    return true;
}

// The first check through a relay, by the checker and the blocking raw
// client; with the slow link also the pipelining raw client, for reference.
// The relay's thread shares the one CPU with everything else: on the other
// core each chunk would pay a cross-core wake-up of its own, and its work, a
// few microseconds a chunk, is small next to the delay.
bool relayedCheck(const XvfbServer& xvfb, const DovecotServer& server,
                  const DovecotServer::User& user, bool slow, std::vector<std::string>& summary)
{
    const int runs = repetitions(7);
    LinkProxy relay(server.port(),
                    slow ? std::chrono::microseconds(slowLinkDelay) : std::chrono::microseconds(0),
                    slow ? LinkProxy::Capabilities::AsServer : LinkProxy::Capabilities::Refused);
    if (!relay.start()) {
        std::fprintf(stderr, "bench_checker: the relay did not start\n");
        return false;
    }
    rawRun(server.port(), user.name.toStdString(), user.password.toStdString(), relayedMessages);
    std::vector<double> raw;
    std::vector<double> pipelined;
    std::vector<double> wide;
    std::vector<double> checker;
    std::vector<std::function<bool()>> steps{
        [&] {
            return timeRaw(server, relay.port(), user.name, user.password, relayedMessages,
                           RawExchange::Blocking, raw);
        },
        [&] { return timeChecker(xvfb, server, relay.port(), user.name, user.password, checker); }};
    if (slow) {
        steps.push_back([&] {
            return timeRaw(server, relay.port(), user.name, user.password, relayedMessages,
                           RawExchange::Pipelined, pipelined);
        });
        steps.push_back([&] {
            return timeRaw(server, relay.port(), user.name, user.password, relayedMessages,
                           RawExchange::Pipelined, wide, wideWindow);
        });
    }
    for (int i = 0; i < runs; ++i) {
        if (!runPair(i, steps))
            return false;
    }
    const double ratio = medianRatio(checker, raw);
    const double goal = slow ? slowLinkGoal : oldServerGoal;
    if (slow)
        std::printf("first check of %d messages, %lld ms delay each way\n", relayedMessages,
                    static_cast<long long>(slowLinkDelay.count()));
    else
        std::printf("first check of %d messages, a server without UIDL and PIPELINING\n",
                    relayedMessages);
    std::printf("%-44s %10.4f s\n", "blocking raw client", median(raw));
    if (slow) {
        std::printf("%-44s %10.4f s %7.3f\n", "raw client, 64 TOPs in flight", median(pipelined),
                    medianRatio(pipelined, raw));
        std::printf("%-44s %10.4f s %7.3f\n", "raw client, 16 KB of TOPs in flight", median(wide),
                    medianRatio(wide, raw));
    }
    std::printf("%-44s %10.4f s %7.3f\n", "tavowatchl", median(checker), ratio);
    std::printf("goal: tavowatchl / blocking raw client <= %.2f (median of %d, one CPU): %s\n\n",
                goal, runs, verdict(ratio, goal));
    summary.push_back(summaryLine(
        slow ? qPrintable(QStringLiteral("first check, %1 messages, %2 ms each way / raw client")
                              .arg(relayedMessages)
                              .arg(slowLinkDelay.count()))
             : qPrintable(QStringLiteral("without UIDL and PIPELINING, %1 messages / raw client")
                              .arg(relayedMessages)),
        ratio, goal));
    return true;
}

// The first check of a mailbox on a Dovecot that keeps no transcripts,
// timed by a tap on the link (a relay without delay): from the greeting to
// the last byte of the answer to QUIT. Writing the transcripts costs the
// server about 50 us a command, which every client pays alike and which
// hides what pipelining saves.
bool tappedFirstCheck(const XvfbServer& xvfb, const DovecotServer& server,
                      const DovecotServer::User& user, int size, std::vector<std::string>& summary)
{
    const int runs = repetitions(7);
    LinkProxy tap(server.port(), std::chrono::microseconds(0));
    if (!tap.start()) {
        std::fprintf(stderr, "bench_checker: the tap did not start\n");
        return false;
    }
    // The first session makes Dovecot index the mailbox.
    rawRun(server.port(), user.name.toStdString(), user.password.toStdString(), size);
    const auto timed = [&](const std::function<bool()>& session, std::vector<double>& times) {
        QThread::msleep(300);
        const int ends = tap.serverEnds();
        tap.resetTiming();
        if (!session())
            return false;
        QDeadlineTimer deadline(120000);
        while (tap.serverEnds() == ends && !deadline.hasExpired())
            QThread::msleep(20);
        if (tap.serverEnds() == ends) {
            std::fprintf(stderr, "bench_checker: a tapped session did not end\n");
            return false;
        }
        times.push_back(tap.serverSeconds());
        return true;
    };
    const auto raw = [&](RawExchange exchange) {
        return [&, exchange] {
            return rawRun(tap.port(), user.name.toStdString(), user.password.toStdString(), size,
                          exchange);
        };
    };
    std::vector<double> blocking;
    std::vector<double> pipelined;
    std::vector<double> checker;
    std::unique_ptr<CheckerRun> run;
    const std::vector<std::function<bool()>> steps{
        [&] { return timed(raw(RawExchange::Blocking), blocking); },
        [&] { return timed(raw(RawExchange::UidlPipelined), pipelined); },
        [&] {
            return timed(
                [&] {
                    run = std::make_unique<CheckerRun>(xvfb.display(), tap.port(), user.name,
                                                       user.password);
                    return run->start();
                },
                checker);
        }};
    for (int i = 0; i < runs; ++i) {
        if (!runPair(i, steps))
            return false;
        run.reset();
    }
    const double ratio = medianRatio(checker, blocking);
    std::printf("first check of %d messages, no server transcripts, timed on the link\n", size);
    std::printf("%-44s %10.4f s\n", "blocking raw client", median(blocking));
    std::printf("%-44s %10.4f s %7.3f\n", "raw client: CAPA, UIDL, 64 TOPs in flight",
                median(pipelined), medianRatio(pipelined, blocking));
    std::printf("%-44s %10.4f s %7.3f\n", "tavowatchl", median(checker), ratio);
    std::printf("goal: tavowatchl / blocking raw client <= %.2f (median of %d, one CPU): %s\n\n",
                firstCheckGoal, runs, verdict(ratio, firstCheckGoal));
    summary.push_back(summaryLine(
        qPrintable(
            QStringLiteral("first check, %1 messages, timed on the link / raw client").arg(size)),
        ratio, firstCheckGoal));
    return true;
}

// The same check over TLS (POP3 over TLS, its certificate trusted by its
// pin) against clear text, each on a Dovecot of its own that differs only
// in TLS, with the same mailbox.
bool tlsComparison(const XvfbServer& xvfb, DovecotServer& server, const DovecotServer::User& user)
{
    const int runs = repetitions(15);
    DovecotServer tlsServer;
    if (!tlsServer.start({user}, DovecotServer::Tls::CaSigned)) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(tlsServer.errorString()));
        return false;
    }
    const QList<QByteArray> messages = sampleMessages(tlsMessages);
    server.deliverMany(user.name, messages);
    tlsServer.deliverMany(user.name, messages);
    const auto runOn = [&](DovecotServer& on, bool tls, std::vector<double>& times) {
        QThread::msleep(300);
        clearTranscripts(on);
        CheckerRun run(xvfb.display(), tls ? on.tlsPort() : on.port(), user.name, user.password,
                       on.address(), tls ? 2 : 0, QString::fromLatin1(on.certificateSha256()));
        if (!run.start() || !checkerWaitsForSessionEnd(on, run))
            return false;
        times.push_back(sessionSeconds(on));
        return true;
    };
    std::vector<double> plain;
    std::vector<double> encrypted;
    // The first sessions make each Dovecot index the mailbox.
    if (!runOn(server, false, plain) || !runOn(tlsServer, true, encrypted)) {
        std::fprintf(stderr, "bench_checker: the TLS comparison did not run\n");
        return false;
    }
    plain.clear();
    encrypted.clear();
    for (int i = 0; i < runs; ++i) {
        if (!runPair(i, {[&] { return runOn(server, false, plain); },
                         [&] { return runOn(tlsServer, true, encrypted); }})) {
            std::fprintf(stderr, "bench_checker: the TLS comparison did not run\n");
            return false;
        }
    }
    const double ratio = medianRatio(encrypted, plain);
    std::printf("first check of %d messages, clear text and POP3 over TLS\n", tlsMessages);
    std::printf("%-10d %10.4f s %10.4f s %8.2f\n", tlsMessages, median(plain), median(encrypted),
                ratio);
    std::printf("goal: TLS / clear text <= %.1f (median of %d, one CPU): %s\n\n", tlsGoal, runs,
                verdict(ratio, tlsGoal));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!DovecotServer::isInstalled() || !XvfbServer::isInstalled()) {
        std::printf("bench_checker: Dovecot or Xvfb is not installed; skipped\n");
        return 0;
    }
    // Everything started from here inherits the CPU, threads included.
    pinTo(0);

    XvfbServer xvfb;
    if (!xvfb.start()) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(xvfb.errorString()));
        return 1;
    }
    // Mailbox sizes may be given on the command line: bench_checker 5000;
    // the later check uses the largest.
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {200, 1000, 5000};
    std::sort(sizes.begin(), sizes.end());
    const QStringList sections =
        qEnvironmentVariable("TAVOWATCH_BENCH_SECTIONS",
                             QStringLiteral("first,tapped,later,slow,old,tls"))
            .split(QLatin1Char(','), Qt::SkipEmptyParts);

    DovecotServer server;
    QList<DovecotServer::User> users;
    for (int size : sizes)
        users.append({QStringLiteral("u%1").arg(size), QStringLiteral("pw%1").arg(size)});
    const DovecotServer::User laterUser{QStringLiteral("later"), QStringLiteral("pwlater")};
    const DovecotServer::User relayUser{QStringLiteral("relay"), QStringLiteral("pwrelay")};
    const DovecotServer::User tlsUser{QStringLiteral("tls"), QStringLiteral("pwtls")};
    users << laterUser << relayUser << tlsUser;
    if (!server.start(users)) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const auto wanted = [&](const char* section) {
        return sections.contains(QLatin1String(section));
    };
    if (wanted("first")) {
        for (int size : sizes)
            server.deliverMany(QStringLiteral("u%1").arg(size), sampleMessages(size));
    }
    if (wanted("later"))
        server.deliverMany(laterUser.name, sampleMessages(sizes.back()));
    if (wanted("slow") || wanted("old"))
        server.deliverMany(relayUser.name, sampleMessages(relayedMessages));

    std::vector<std::string> summary;
    if (wanted("first") && !firstChecks(xvfb, server, sizes))
        return 1;
    if (wanted("tapped")) {
        DovecotServer quiet;
        quiet.keepNoTranscripts();
        const DovecotServer::User tappedUser{QStringLiteral("tapped"), QStringLiteral("pwtapped")};
        if (!quiet.start({tappedUser})) {
            std::fprintf(stderr, "bench_checker: %s\n", qPrintable(quiet.errorString()));
            return 1;
        }
        quiet.deliverMany(tappedUser.name, sampleMessages(sizes.back()));
        if (!tappedFirstCheck(xvfb, quiet, tappedUser, sizes.back(), summary))
            return 1;
    }
    if (wanted("later") && !laterCheck(xvfb, server, laterUser, sizes.back(), summary))
        return 1;
    if (wanted("slow") && !relayedCheck(xvfb, server, relayUser, true, summary))
        return 1;
    if (wanted("old") && !relayedCheck(xvfb, server, relayUser, false, summary))
        return 1;
    if (wanted("tls") && !tlsComparison(xvfb, server, tlsUser))
        return 1;

    if (!summary.empty()) {
        QStringList command;
        if (qEnvironmentVariableIsSet("TAVOWATCH_BENCH_RUNS"))
            command << QStringLiteral("TAVOWATCH_BENCH_RUNS=") +
                           qEnvironmentVariable("TAVOWATCH_BENCH_RUNS");
        if (qEnvironmentVariableIsSet("TAVOWATCH_BENCH_SECTIONS"))
            command << QStringLiteral("TAVOWATCH_BENCH_SECTIONS=") +
                           qEnvironmentVariable("TAVOWATCH_BENCH_SECTIONS");
        for (int i = 0; i < argc; ++i)
            command << QString::fromLocal8Bit(argv[i]);
        std::printf("summary (%s; one CPU):\n", qPrintable(command.join(QLatin1Char(' '))));
        for (const std::string& line : summary)
            std::printf("%s\n", line.c_str());
    }
    return 0;
}
