// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/CanberraSoundPlayer.h"

#include <QApplication>
#include <QFile>

#include <canberra.h>

#include <chrono>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto watchdogInterval = 1000ms;

// Owns a ca_proplist for the duration of one call.
class PropList
{
public:
    PropList() { ca_proplist_create(&m_list); }
    ~PropList()
    {
        if (m_list)
            ca_proplist_destroy(m_list);
    }
    PropList(const PropList&) = delete;
    PropList& operator=(const PropList&) = delete;
    ca_proplist* get() const { return m_list; }

private:
    ca_proplist* m_list = nullptr;
};

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer()
{
    m_watchdog.setInterval(watchdogInterval);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_receiver, [this] { handleWatchdog(); });
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    m_watchdog.stop();
    // Stops libcanberra's threads before returning; any report they still
    // make is queued to m_receiver and dropped with it.
    if (m_context)
        ca_context_destroy(m_context);
}

bool CanberraSoundPlayer::openContext()
{
    if (m_context)
        return true;
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return false;
    }
    const QByteArray name = QCoreApplication::applicationName().toUtf8();
    if (!name.isEmpty())
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, name.constData(),
                                static_cast<const char*>(nullptr));
    // Not ca_context_open(): ca_context_play_full() opens on demand and tries
    // again on the next sound when no sound server was reachable.
    return true;
}

void CanberraSoundPlayer::play(const QString& file, std::function<void()> finished)
{
    const std::uint32_t id = ++m_lastId;
    m_pending.emplace(id, std::move(finished));

    int result = CA_ERROR_INVALID;
    if (!file.isEmpty() && openContext()) {
        PropList properties;
        if (properties.get()) {
            // The file name is handed over in the local 8-bit encoding of
            // file names, the bytes the file system holds.
            ca_proplist_sets(properties.get(), CA_PROP_MEDIA_FILENAME,
                             QFile::encodeName(file).constData());
            result = ca_context_play_full(m_context, id, properties.get(),
                                          &CanberraSoundPlayer::handleCanberraFinished, this);
        }
    }
    if (result != CA_SUCCESS) {
        // libcanberra calls back only for a sound it has started.
        finishLater(id);
        return;
    }
    if (!m_watchdog.isActive())
        m_watchdog.start();
}

void CanberraSoundPlayer::beep()
{
    QApplication::beep();
}

void CanberraSoundPlayer::handleCanberraFinished(ca_context*, std::uint32_t id, int, void* userdata)
{
    // Any thread: touch nothing of the player but the address of its
    // receiver, which outlives every libcanberra thread.
    static_cast<CanberraSoundPlayer*>(userdata)->finishLater(id);
}

void CanberraSoundPlayer::finishLater(std::uint32_t id)
{
    QMetaObject::invokeMethod(
        &m_receiver, [this, id] { finish(id); }, Qt::QueuedConnection);
}

void CanberraSoundPlayer::finish(std::uint32_t id)
{
    const auto it = m_pending.find(id);
    // Already ended by the watchdog, or reported twice.
    if (it == m_pending.end())
        return;
    std::function<void()> finished = std::move(it->second);
    m_pending.erase(it);
    if (m_pending.empty())
        m_watchdog.stop();
    // Last: finished may start the next sound.
    if (finished)
        finished();
}

void CanberraSoundPlayer::handleWatchdog()
{
    std::vector<std::uint32_t> ended;
    for (const auto& entry : m_pending) {
        int playing = 1;
        if (ca_context_playing(m_context, entry.first, &playing) == CA_SUCCESS && !playing)
            ended.push_back(entry.first);
    }
    // A sound that ended normally has its report queued already; whichever
    // comes first runs finished, the other finds nothing to do.
    for (const std::uint32_t id : ended)
        finish(id);
}
