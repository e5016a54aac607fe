// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/CheckScheduler.h"
#include "checker/CheckerContext.h"
#include "checker/MailForm.h"
#include "checker/Notifier.h"
#include "settings/SettingsStore.h"
#include "support/FakeKeyboardLight.h"
#include "support/FakeProcessRunner.h"
#include "support/FakePrompter.h"
#include "support/FakeSoundPlayer.h"

#include <QTemporaryDir>

#include <initializer_list>
#include <memory>
#include <utility>

using namespace std::chrono_literals;

/*
 * A checker window on fakes: a settings file in a temporary folder, a
 * scripted user, recording devices, and clocks shortened so that tests run
 * in milliseconds. Settings are written with set() before makeForm().
 */
struct CheckerRig
{
    QTemporaryDir dir;
    Settings::SettingsStore store{dir.filePath(QStringLiteral("tavowatch.ini"))};
    FakePrompter prompter;
    FakeProcessRunner processes;
    FakeKeyboardLight light;
    FakeSoundPlayer sound;
    std::unique_ptr<MailForm> form;

    static QString tavoprefsPath() { return QStringLiteral("/opt/tavowatch/bin/tavoprefs"); }

    CheckerContext context()
    {
        return CheckerContext{prompter, processes, light, sound, store, tavoprefsPath()};
    }

    void set(std::initializer_list<std::pair<const char*, QString>> values)
    {
        for (const auto& [key, value] : values)
            store.save(QString::fromLatin1(key), value);
        store.sync();
    }

    QString stored(const char* key) { return store.get(QString::fromLatin1(key), QString()); }

    MailForm& makeForm()
    {
        form = std::make_unique<MailForm>(context());
        form->notifier().setIntervals(5ms, 5ms, 5ms);
        form->scheduler().setCheckInterval(5ms);
        return *form;
    }

    // A window past its start-up, with accounts accounts configured.
    MailForm& started(int accounts = 1)
    {
        if (stored("accountno").isEmpty())
            set({{"accountno", QString::number(accounts)}});
        MailForm& f = makeForm();
        const bool ok = f.Form_Load();
        Q_ASSERT(ok);
        return f;
    }

    // Messages 1..count of account waiting on the server, as a check leaves
    // them: entries filled, mailCount set, mailTotal summed.
    void putMail(int account, int count, bool newMail)
    {
        MailForm& f = *form;
        f.mailTable().growMessages(account, count);
        for (int m = 1; m <= count; ++m) {
            MailRecord& record = f.mailTable().entry(account, m);
            record.From = QStringLiteral("差出人%1-%2").arg(account).arg(m);
            record.Subject = QStringLiteral("件名%1-%2").arg(account).arg(m);
        }
        f.accounts()[account].mailCount = count;
        f.accounts()[account].newMailFlg = newMail;
        f.setMailTotal(f.mailTotal() + count);
    }
};
