// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/CheckScheduler.h"

CheckScheduler::CheckScheduler(QObject* parent) : QObject(parent)
{
    setCheckInterval(checktimerInterval);
    connect(&m_checktimer, &QTimer::timeout, this, &CheckScheduler::checktimer_Timer);
}

void CheckScheduler::setCheckInterval(std::chrono::milliseconds checktimer)
{
    m_checktimer.setInterval(checktimer);
}

void CheckScheduler::setChecktimerval(int minutes)
{
    m_Checktimerval = minutes;
    if (m_Checktimerval == 0)
        m_checktimer.stop();
    else if (!m_checktimer.isActive())
        m_checktimer.start();
}

void CheckScheduler::enableChecktimer()
{
    // Enabling a running timer keeps its minute going: a check started by
    // the hotkey does not shift the schedule.
    if (m_Checktimerval != 0 && !m_checktimer.isActive())
        m_checktimer.start();
}

void CheckScheduler::checktimer_Timer()
{
    ++m_checkCount;
    if (m_checkCount < m_Checktimerval)
        return;
    m_checktimer.stop();
    emit scheduledCheckDue();
    m_checkCount = 0;
    enableChecktimer();
}
