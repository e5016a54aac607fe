// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace QKeychain {
class Job;
}

/*
 * The desktop keyring as both programs use it: the account passwords under
 * the service "tavowatch", each under its Settings::keyringKey. Every
 * operation is one QtKeychain job, started at once and answered later
 * through its callback, from the event loop of the user-interface thread;
 * nothing here waits. A callback never runs once its PasswordKeyring is
 * gone.
 *
 * QtKeychain's Secret Service backend (libsecret) answers through GLib's
 * default main context. Where Qt's event loop is not GLib's (the checker
 * turns GLib off for speed), that context is iterated from a short timer
 * while jobs are in flight, or no answer would ever come.
 */
class PasswordKeyring : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        bool ok = false;
        // A read found no entry under the key (the service itself answered).
        bool notFound = false;
        QString password; // what a read found
        QString error;    // the backend's words when !ok
    };
    using Done = std::function<void(const Reply&)>;

    static QString service() { return QStringLiteral("tavowatch"); }

    explicit PasswordKeyring(QObject* parent = nullptr);
    ~PasswordKeyring() override;

    void read(const QString& key, Done done);
    void write(const QString& key, const QString& password, Done done);
    void remove(const QString& key, Done done);

    // Whether a keyring can be reached at all: a session bus, and on it a
    // Secret Service or KWallet that runs or that the bus can start. Asked
    // of the bus without waiting; done gets the answer and, when there is
    // none, the user's words for why.
    void probe(std::function<void(bool available, const QString& why)> done);

    int jobsInFlight() const { return m_inFlight; }

private:
    void start(QKeychain::Job* job, Done done);
    void pumpGlib();

    static constexpr std::chrono::milliseconds glibPumpInterval{5};

    QTimer m_glibPump;
    int m_inFlight = 0;
};
