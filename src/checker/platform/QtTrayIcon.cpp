// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/QtTrayIcon.h"

QtTrayIcon::QtTrayIcon()
{
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The menu opens by itself on the context click.
                if (reason == QSystemTrayIcon::Trigger && m_clicked)
                    m_clicked();
            });
}

QtTrayIcon::~QtTrayIcon()
{
    m_icon.setContextMenu(nullptr);
}

void QtTrayIcon::install(const QStringList& commands, std::function<void(int index)> chosen,
                         std::function<void()> clicked)
{
    m_chosen = std::move(chosen);
    m_clicked = std::move(clicked);
    m_menu.clear();
    for (int i = 0; i < commands.size(); ++i) {
        m_menu.addAction(commands.at(i), this, [this, i] {
            if (m_chosen)
                m_chosen(i);
        });
    }
    m_icon.show();
}

void QtTrayIcon::setState(const QIcon& icon, const QString& toolTip)
{
    m_icon.setIcon(icon);
    m_icon.setToolTip(toolTip);
}

void QtTrayIcon::remove()
{
    m_icon.hide();
    m_chosen = nullptr;
    m_clicked = nullptr;
}
