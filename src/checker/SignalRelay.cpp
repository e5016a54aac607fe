// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/SignalRelay.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read by the notifier: [0] is read, [1] written.
int relaySockets[2] = {-1, -1};

constexpr int relayedSignals[] = {SIGTERM, SIGHUP};

extern "C" void relaySignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    // A full socket means a signal is already pending; dropping this one
    // loses nothing, the exit sequence runs once either way.
    [[maybe_unused]] const ssize_t written = ::write(relaySockets[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalRelay::SignalRelay(QObject* parent) : QObject(parent) {}

bool SignalRelay::start()
{
    if (m_notifier)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, relaySockets) != 0)
        return false;
    ::fcntl(relaySockets[1], F_SETFL, ::fcntl(relaySockets[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(relaySockets[0], F_SETFL, ::fcntl(relaySockets[0], F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(relaySockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalRelay::handleActivated);

    struct sigaction action = {};
    action.sa_handler = relaySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : relayedSignals)
        ::sigaction(signalNumber, &action, nullptr);
    return true;
}

SignalRelay::~SignalRelay()
{
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : relayedSignals)
        ::sigaction(signalNumber, &action, nullptr);
    delete m_notifier;
    ::close(relaySockets[0]);
    ::close(relaySockets[1]);
    relaySockets[0] = relaySockets[1] = -1;
}

void SignalRelay::handleActivated()
{
    char byte = 0;
    while (::read(relaySockets[0], &byte, 1) == 1)
        emit terminationRequested(int(static_cast<unsigned char>(byte)));
}
