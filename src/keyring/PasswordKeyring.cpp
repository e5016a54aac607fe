// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyring/PasswordKeyring.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <qt6keychain/keychain.h>

#include <dlfcn.h>

namespace {

// Bus names of the stores QtKeychain speaks to on Linux.
bool namesAStore(const QStringList& names)
{
    for (const char* store : {"org.freedesktop.secrets", "org.kde.kwalletd5", "org.kde.kwalletd6",
                              "org.kde.kwalletd"}) {
        if (names.contains(QLatin1String(store)))
            return true;
    }
    return false;
}

// g_main_context_iteration of the GLib that Qt's own libraries load; looked
// up at run time, so that the build needs no GLib headers.
using Iteration = int (*)(void* context, int mayBlock);
Iteration glibIteration()
{
    static const auto iteration =
        reinterpret_cast<Iteration>(::dlsym(RTLD_DEFAULT, "g_main_context_iteration"));
    return iteration;
}

bool loopIsGlib()
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && QString::fromLatin1(dispatcher->metaObject()->className())
                             .contains(QLatin1String("Glib"));
}

} // namespace

PasswordKeyring::PasswordKeyring(QObject* parent) : QObject(parent)
{
    m_glibPump.setInterval(glibPumpInterval);
    connect(&m_glibPump, &QTimer::timeout, this, &PasswordKeyring::pumpGlib);
}

PasswordKeyring::~PasswordKeyring() = default;

void PasswordKeyring::read(const QString& key, Done done)
{
    auto* job = new QKeychain::ReadPasswordJob(service());
    job->setKey(key);
    start(job, std::move(done));
}

void PasswordKeyring::write(const QString& key, const QString& password, Done done)
{
    auto* job = new QKeychain::WritePasswordJob(service());
    job->setKey(key);
    job->setTextData(password);
    start(job, std::move(done));
}

void PasswordKeyring::remove(const QString& key, Done done)
{
    auto* job = new QKeychain::DeletePasswordJob(service());
    job->setKey(key);
    start(job, std::move(done));
}

void PasswordKeyring::start(QKeychain::Job* job, Done done)
{
    // Never a plain-text file in place of the keyring.
    job->setInsecureFallback(false);
    // The job deletes itself once finished. It is not parented to this:
    // deleted before its backend answered, it would leave the backend
    // calling into freed memory.
    job->setAutoDelete(true);
    ++m_inFlight;
    connect(job, &QKeychain::Job::finished, this, [this, done](QKeychain::Job* finished) {
        if (--m_inFlight == 0)
            m_glibPump.stop();
        Reply reply;
        reply.ok = finished->error() == QKeychain::NoError;
        reply.notFound = finished->error() == QKeychain::EntryNotFound;
        reply.error = finished->errorString();
        if (auto* readJob = qobject_cast<QKeychain::ReadPasswordJob*>(finished);
            reply.ok && readJob)
            reply.password = readJob->textData();
        if (done)
            done(reply);
    });
    if (!loopIsGlib() && glibIteration() && !m_glibPump.isActive())
        m_glibPump.start();
    job->start();
}

void PasswordKeyring::pumpGlib()
{
    // Dispatches whatever GLib has ready, without blocking.
    while (glibIteration()(nullptr, 0) != 0) {
    }
}

void PasswordKeyring::probe(std::function<void(bool, const QString&)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [done] {
            done(false, QStringLiteral("デスクトップのセッションバスに接続できません。"));
        });
        return;
    }
    const auto ask = [bus](const char* method) {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QLatin1String(method));
        return bus.asyncCall(call);
    };
    auto* running = new QDBusPendingCallWatcher(ask("ListNames"), this);
    connect(running, &QDBusPendingCallWatcher::finished, this,
            [this, done, ask](QDBusPendingCallWatcher* watcher) {
                watcher->deleteLater();
                if (namesAStore(QDBusPendingReply<QStringList>(*watcher).value())) {
                    done(true, QString());
                    return;
                }
                auto* startable = new QDBusPendingCallWatcher(ask("ListActivatableNames"), this);
                connect(startable, &QDBusPendingCallWatcher::finished, this,
                        [done](QDBusPendingCallWatcher* second) {
                            second->deleteLater();
                            if (namesAStore(QDBusPendingReply<QStringList>(*second).value()))
                                done(true, QString());
                            else
                                done(false,
                                     QStringLiteral("キーリングのサービス（Secret Service または "
                                                    "KWallet）が見つかりません。"));
                        });
            });
}
