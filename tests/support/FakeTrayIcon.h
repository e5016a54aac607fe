// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/TrayIcon.h"

/*
 * A tray in memory: it keeps the menu, the picture and the tool tip it was
 * given, and the test chooses menu entries or clicks the icon through
 * choose() and click() as the user would.
 */
class FakeTrayIcon : public TrayIcon
{
public:
    QStringList commands;
    QIcon icon;
    QString toolTip;
    bool shown = false;

    void install(const QStringList& texts, std::function<void(int index)> chosen,
                 std::function<void()> clicked) override
    {
        commands = texts;
        m_chosen = std::move(chosen);
        m_clicked = std::move(clicked);
        shown = true;
    }
    void setState(const QIcon& picture, const QString& text) override
    {
        icon = picture;
        toolTip = text;
    }
    void remove() override
    {
        shown = false;
        m_chosen = nullptr;
        m_clicked = nullptr;
    }

    void choose(int index)
    {
        if (m_chosen)
            m_chosen(index);
    }
    void click()
    {
        if (m_clicked)
            m_clicked();
    }

private:
    std::function<void(int)> m_chosen;
    std::function<void()> m_clicked;
};
