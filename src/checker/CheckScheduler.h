// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

/*
 * The clocks that start and pace the POP3 cycles. `checktimer` ticks once a
 * minute while "Checktimerval" is non-zero and reports scheduledCheckDue
 * every Checktimerval ticks; `checkCount` counts those ticks and is reset
 * only by the scheduled check itself, so checks started otherwise (start-up,
 * the mail-check hotkey, after a deletion) do not shift the schedule.
 *
 * `logontimer`, `retrtimer` and `deltimer` are the one-second one-shot pauses
 * of the check, retrieve and delete drivers between accounts; `timeuptimer`
 * is the minute clock of the session time-out, restarted on every socket
 * event (`restartTimeup`). The drivers connect to their timeout signals.
 */
class CheckScheduler : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds checktimerInterval{60000};
    static constexpr std::chrono::milliseconds pauseInterval{1000};
    static constexpr std::chrono::milliseconds timeuptimerInterval{60000};

    explicit CheckScheduler(QObject* parent = nullptr);

    // Minutes between scheduled checks; 0 stops them. The count already
    // reached is kept, so a smaller value can start a check at the next tick.
    void setChecktimerval(int minutes);
    // "checktimer enabled": starts the timer if it is stopped; a running one
    // keeps its minute. Does nothing while Checktimerval is 0, since the
    // timer then has no interval.
    void enableChecktimer();
    // Shorter clocks for tests; production keeps the intervals above.
    void setIntervals(std::chrono::milliseconds checktimer, std::chrono::milliseconds pause,
                      std::chrono::milliseconds timeup);

    // Disables and enables `timeuptimer`, which restarts its minute.
    void restartTimeup();

    int checkCount() const { return m_checkCount; }
    bool isChecktimerActive() const { return m_checktimer.isActive(); }
    QTimer& checktimer() { return m_checktimer; }
    QTimer& logontimer() { return m_logontimer; }
    QTimer& retrtimer() { return m_retrtimer; }
    QTimer& deltimer() { return m_deltimer; }
    QTimer& timeuptimer() { return m_timeuptimer; }

signals:
    // Checktimerval minutes have passed since the last scheduled check.
    // Emitted while `checktimer` is disabled; it is enabled again after the
    // receivers have run.
    void scheduledCheckDue();

private:
    void checktimer_Timer();

    QTimer m_checktimer;
    QTimer m_logontimer;
    QTimer m_retrtimer;
    QTimer m_deltimer;
    QTimer m_timeuptimer;
    int m_Checktimerval = 0;
    int m_checkCount = 0;
};
