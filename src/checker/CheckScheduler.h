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
 * The pauses between accounts (`logontimer` and its kin) and the session
 * time-out (`timeuptimer`, `restartTimeup`) belong to the POP3 sessions,
 * which own them next to the socket they pace.
 */
class CheckScheduler : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds checktimerInterval{60000};

    explicit CheckScheduler(QObject* parent = nullptr);

    // Minutes between scheduled checks; 0 stops them. The count already
    // reached is kept, so a smaller value can start a check at the next tick.
    void setChecktimerval(int minutes);
    // "checktimer enabled": starts the timer if it is stopped; a running one
    // keeps its minute. Does nothing while Checktimerval is 0, since the
    // timer then has no interval.
    void enableChecktimer();
    // A shorter minute for tests; production keeps the interval above.
    void setCheckInterval(std::chrono::milliseconds checktimer);

    // The count begins again, as after a scheduled check: a check started
    // on waking keeps the next one Checktimerval minutes away.
    void restartCount() { m_checkCount = 0; }
    int checkCount() const { return m_checkCount; }
    bool isChecktimerActive() const { return m_checktimer.isActive(); }
    QTimer& checktimer() { return m_checktimer; }

signals:
    // Checktimerval minutes have passed since the last scheduled check.
    // Emitted while `checktimer` is disabled; it is enabled again after the
    // receivers have run.
    void scheduledCheckDue();

private:
    void checktimer_Timer();

    QTimer m_checktimer;
    int m_Checktimerval = 0;
    int m_checkCount = 0;
};
