// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class KeyboardLight;

/*
 * The new-mail signals of the checker that run on their own clocks: the
 * blinking Scroll Lock light (`lighttimer`, `Lightbrink`, `scrollLight`),
 * the light-off check 300 ms after every stop (`Timer1`) and the auto-hide
 * of a popped-up window (`closetimer`). `mailform` owns one and drives it;
 * the window itself is hidden by whoever listens to autoHideDue.
 *
 * The counters are ints: `lightCount` reaches 2 × `Lighttimerval` + 2, more
 * than 16 bits hold for the largest setting.
 */
class Notifier : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds lighttimerInterval{500};
    static constexpr std::chrono::milliseconds Timer1Interval{300};
    static constexpr std::chrono::milliseconds closetimerInterval{1000};

    explicit Notifier(KeyboardLight& light, QObject* parent = nullptr);

    // Seconds of blinking; 0 blinks until a command stops the light.
    void setLighttimerval(int seconds) { m_Lighttimerval = seconds; }
    // Seconds after which a popped-up window hides itself; 0 never.
    void setClosetimerval(int seconds) { m_Closetimerval = seconds; }
    // Shorter clocks for tests; production keeps the intervals above.
    void setIntervals(std::chrono::milliseconds light, std::chrono::milliseconds timer1,
                      std::chrono::milliseconds close);

    // Mode non-zero turns the light over to its other state; mode 0 switches
    // it off if it is on.
    void scrollLight(int mode);
    // Starts blinking: the light changes at once, then on every tick.
    void Lightbrink();
    // What every command that stops the light does: `lighttimer` disabled,
    // the light off, `Timer1` enabled to switch it off once more.
    void stopLight();
    // `Timer1` alone enabled, as a mail program start does.
    void startTimer1();
    // Arms the auto-hide; the count left from an earlier pop-up carries on.
    // Enabling a timer that already runs keeps its current interval.
    void startCloseTimer();

    bool isBlinking() const { return m_lighttimer.isActive(); }
    bool isTimer1Active() const { return m_Timer1.isActive(); }
    bool isCloseTimerActive() const { return m_closetimer.isActive(); }
    int lightCount() const { return m_lightCount; }
    int closeCount() const { return m_closeCount; }

signals:
    // Timer1 has fired, disabled itself and switched the light off.
    void Timer1Fired();
    // closeCount has reached Closetimerval: the window should hide.
    void autoHideDue();

private:
    void lighttimer_Timer();
    void Timer1_Timer();
    void closetimer_Timer();

    KeyboardLight& m_light;
    QTimer m_lighttimer;
    QTimer m_Timer1;
    QTimer m_closetimer;
    int m_Lighttimerval = 5;
    int m_Closetimerval = 0;
    int m_lightCount = 0;
    int m_closeCount = 0;
};
