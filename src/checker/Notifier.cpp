// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Notifier.h"

#include "hotkeys/KeyboardLight.h"

namespace {

// A window timer that is already enabled keeps its running interval when it
// is enabled again; only disabling it first restarts the interval.
void enable(QTimer& timer)
{
    if (!timer.isActive())
        timer.start();
}

} // namespace

Notifier::Notifier(KeyboardLight& light, QObject* parent) : QObject(parent), m_light(light)
{
    m_Timer1.setSingleShot(true);
    setIntervals(lighttimerInterval, Timer1Interval, closetimerInterval);
    connect(&m_lighttimer, &QTimer::timeout, this, &Notifier::lighttimer_Timer);
    connect(&m_Timer1, &QTimer::timeout, this, &Notifier::Timer1_Timer);
    connect(&m_closetimer, &QTimer::timeout, this, &Notifier::closetimer_Timer);
}

void Notifier::setIntervals(std::chrono::milliseconds light, std::chrono::milliseconds timer1,
                            std::chrono::milliseconds close)
{
    m_lighttimer.setInterval(light);
    m_Timer1.setInterval(timer1);
    m_closetimer.setInterval(close);
}

void Notifier::scrollLight(int mode)
{
    const bool on = m_light.isOn();
    if (mode != 0)
        m_light.setOn(!on);
    else if (on)
        m_light.setOn(false);
}

void Notifier::Lightbrink()
{
    scrollLight(1);
    m_lightCount = 0;
    enable(m_lighttimer);
}

void Notifier::stopLight()
{
    m_lighttimer.stop();
    scrollLight(0);
    enable(m_Timer1);
}

void Notifier::startTimer1()
{
    enable(m_Timer1);
}

void Notifier::startCloseTimer()
{
    enable(m_closetimer);
}

void Notifier::lighttimer_Timer()
{
    scrollLight(1);
    if (m_Lighttimerval == 0)
        return;
    // Each tick is half a second, so the light keeps changing for
    // Lighttimerval + 1 seconds (2L + 2 ticks) before it is switched off.
    ++m_lightCount;
    if (m_lightCount / 2 > m_Lighttimerval) {
        m_lightCount = 0;
        m_lighttimer.stop();
        scrollLight(0);
        enable(m_Timer1);
    }
}

void Notifier::Timer1_Timer()
{
    m_Timer1.stop();
    scrollLight(0);
    emit Timer1Fired();
}

void Notifier::closetimer_Timer()
{
    // With Closetimerval 0 the window stays shown, so there is nothing to
    // count; and once the count has reached the setting it stays there until
    // it fires, so a long-running timer never wraps it.
    if (m_Closetimerval == 0)
        return;
    if (m_closeCount < m_Closetimerval)
        ++m_closeCount;
    if (m_closeCount >= m_Closetimerval) {
        m_closetimer.stop();
        m_closeCount = 0;
        emit autoHideDue();
    }
}
