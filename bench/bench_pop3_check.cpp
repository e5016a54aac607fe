// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The check session against a local Dovecot, next to the floor any client
// can reach: a minimal client on a blocking socket that sends the same
// commands (USER, PASS, STAT, "TOP n 5" for every message, QUIT) one after
// another. Prints both times (each the best of several alternating runs)
// and their ratio for mailboxes of 1,000 and 5,000 messages; the goal is a
// ratio of at most 1.2.

#include "decode/Decode.h"
#include "decode/Summary.h"
#include "maillist/MailTable.h"
#include "pop3/CheckHost.h"
#include "pop3/CheckSession.h"
#include "pop3/Pop3Connection.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"
#include "support/DovecotServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double goal = 1.2;
// Runs of each client, alternating; the best of each counts, since other
// programs on the machine can only make a run slower.
constexpr int repetitions = 7;

// A message as a Japanese mail program sends it: encoded sender and
// subject, an ISO-2022-JP body of a dozen lines.
QByteArray sampleMessage(int n)
{
    QByteArray body;
    for (int line = 0; line < 12; ++line)
        body += "\x1b$B$3$l$OK\\J8$N9T$G$9!#\x1b(B " + QByteArray::number(line) + '\n';
    return "Return-Path: <sender" + QByteArray::number(n) +
           "@example.co.jp>\n"
           "Received: from mail.example.co.jp by pop.example.jp; Wed, 01 Apr 2026 09:00:00 +0900\n"
           "Date: Wed, 01 Apr 2026 09:00:00 +0900\n"
           "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <sender" +
           QByteArray::number(n) +
           "@example.co.jp>\n"
           "To: you@example.jp\n"
           "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRONURCahsoQg==?= No." +
           QByteArray::number(n) +
           "\n"
           "Message-ID: <" +
           QByteArray::number(n) +
           ".bench@example.co.jp>\n"
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\n"
           "Content-Transfer-Encoding: 7bit\n\n" +
           body;
}

// The main window as far as a check needs it, without a window.
class BenchHost : public CheckHost
{
public:
    Settings::GeneralOptions generalOptions;
    Settings::CurrentAccount account;
    MailTable table;
    int cur = 0;
    int total = 0;
    int mailCountValue = 0;
    qint64 lastSizeValue = 0;
    QString log;
    QStringList errors;
    QEventLoop* loop = nullptr;

    const Settings::GeneralOptions& options() const override { return generalOptions; }
    void ShowMsg(const QString& text) override { errors.append(text); }
    QString& logText() override { return log; }
    void setCaption(const QString&) override {}
    void setDefaultPointer() override {}
    int curAccount() const override { return cur; }
    void setCurAccount(int value) override { cur = value; }
    int mailTotal() const override { return total; }
    void setMailTotal(int value) override { total = value; }
    const Settings::CurrentAccount& loadadata(int) override { return account; }
    bool afterDelete() const override { return false; }
    int mailCount(int) const override { return mailCountValue; }
    void setMailCount(int, int count) override { mailCountValue = count; }
    qint64 lastSize(int) const override { return lastSizeValue; }
    void setLastSize(int, qint64 size) override { lastSizeValue = size; }
    void setNewMailFlg(int) override {}
    void growMailTable(int messages) override { table.growMessages(messages); }
    void subListSet(int accountNumber, int message, const QByteArray& replyBuf) override
    {
        const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(replyBuf));
        table.storeSummary(accountNumber, message, summary.From, summary.Subject, summary.Attached);
    }
    void endOfCheck() override
    {
        if (loop)
            loop->quit();
    }
};

// The checker's session time for one account, in seconds.
double checkerRun(quint16 port, const QString& user, const QString& password, int expected)
{
    BenchHost host;
    host.generalOptions.accountno = 1;
    host.account.Hname = QStringLiteral("127.0.0.1");
    host.account.Portno = qint16(port);
    host.account.Uname = user;
    host.account.password = password;
    host.table.redim(1);
    Pop3Connection connection(host);
    CheckSession session(connection, host);
    // The pause between accounts is not part of a session.
    session.setLogontimerInterval(std::chrono::milliseconds(0));
    QEventLoop loop;
    host.loop = &loop;

    QElapsedTimer clock;
    clock.start();
    session.checkNextAccount();
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (host.total != expected || !host.errors.isEmpty() ||
        host.table.entry(1, expected).From.isEmpty()) {
        std::fprintf(stderr, "checker: counted %d of %d messages, %lld errors\n", host.total,
                     expected, static_cast<long long>(host.errors.size()));
        return -1;
    }
    return seconds;
}

// The minimal client: one blocking socket, each command written when the
// previous reply is complete.
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
    bool ok() const { return m_fd >= 0; }

    bool command(const std::string& line) const
    {
        return !line.empty() ? ::send(m_fd, line.data(), line.size(), 0) == ssize_t(line.size())
                             : true;
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
            char chunk[65536];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return m_buffer;
            m_buffer.append(chunk, std::size_t(n));
        }
    }

private:
    int m_fd = -1;
    std::string m_buffer;
};

double rawRun(quint16 port, const std::string& user, const std::string& password, int expected)
{
    QElapsedTimer clock;
    clock.start();
    RawClient client(port);
    if (!client.ok())
        return -1;
    client.reply("\r\n");
    client.command("USER " + user + "\r\n");
    client.reply("\r\n");
    client.command("PASS " + password + "\r\n");
    client.reply("\r\n");
    client.command("STAT\r\n");
    const std::string stat = client.reply("\r\n");
    const int count = std::atoi(stat.c_str() + 4);
    for (int n = 1; n <= count; ++n) {
        client.command("TOP " + std::to_string(n) + " 5\r\n");
        client.reply("\r\n.\r\n");
    }
    client.command("QUIT\r\n");
    client.reply("\r\n");
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return count == expected ? seconds : -1;
}

double best(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!DovecotServer::isInstalled()) {
        std::printf("bench_pop3_check: Dovecot is not installed; skipped\n");
        return 0;
    }
    const std::vector<int> sizes{1000, 5000};
    DovecotServer server;
    QList<DovecotServer::User> users;
    for (int size : sizes)
        users.append({QStringLiteral("u%1").arg(size), QStringLiteral("pw%1").arg(size)});
    if (!server.start(users)) {
        std::fprintf(stderr, "bench_pop3_check: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    for (int size : sizes) {
        QList<QByteArray> messages;
        for (int n = 1; n <= size; ++n)
            messages.append(sampleMessage(n));
        server.deliverMany(QStringLiteral("u%1").arg(size), messages);
    }

    bool met = true;
    std::printf("%-10s %12s %12s %8s\n", "messages", "raw client", "checker", "ratio");
    for (int size : sizes) {
        const QString user = QStringLiteral("u%1").arg(size);
        const QString password = QStringLiteral("pw%1").arg(size);
        // The first session makes Dovecot index the mailbox.
        rawRun(server.port(), user.toStdString(), password.toStdString(), size);
        std::vector<double> raw;
        std::vector<double> checker;
        for (int i = 0; i < repetitions; ++i) {
            raw.push_back(rawRun(server.port(), user.toStdString(), password.toStdString(), size));
            checker.push_back(checkerRun(server.port(), user, password, size));
        }
        if (*std::min_element(raw.begin(), raw.end()) < 0 ||
            *std::min_element(checker.begin(), checker.end()) < 0) {
            std::fprintf(stderr, "bench_pop3_check: a run failed\n");
            return 1;
        }
        const double rawTime = best(raw);
        const double checkerTime = best(checker);
        const double ratio = checkerTime / rawTime;
        met = met && ratio <= goal;
        std::printf("%-10d %10.3f s %10.3f s %8.2f\n", size, rawTime, checkerTime, ratio);
    }
    std::printf("goal: checker / raw client <= %.1f: %s\n", goal, met ? "met" : "MISSED");
    return 0;
}
