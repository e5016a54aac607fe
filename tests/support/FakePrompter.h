// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/Prompter.h"

#include <QByteArray>
#include <QList>

#include <functional>

/*
 * A scripted user: every question is recorded, and answered from the front
 * of answers. With no scripted answer left the box counts as closed: Ok for
 * Buttons::Ok, No otherwise. whileOpen runs "while the box is shown", before
 * the answer is taken, to play events that arrive meanwhile.
 */
class FakePrompter : public Prompter
{
public:
    struct Prompt
    {
        QString text;
        QString title;
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;

        friend bool operator==(const Prompt&, const Prompt&) = default;
    };

    QList<Prompt> prompts;
    QList<Answer> answers;
    std::function<void(const Prompt&)> whileOpen;

    Answer ask(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        prompts.append(Prompt{text, title, icon, buttons});
        if (whileOpen)
            whileOpen(prompts.constLast());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
};

inline const char* promptIconName(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return "Information";
    case Prompter::Icon::Stop:
        return "Stop";
    case Prompter::Icon::Question:
        return "Question";
    case Prompter::Icon::Warning:
        return "Warning";
    case Prompter::Icon::NoIcon:
        return "NoIcon";
    }
    return "?";
}

inline const char* promptButtonsName(Prompter::Buttons buttons)
{
    switch (buttons) {
    case Prompter::Buttons::Ok:
        return "Ok";
    case Prompter::Buttons::YesNo:
        return "YesNo";
    case Prompter::Buttons::YesNoDefaultNo:
        return "YesNoDefaultNo";
    }
    return "?";
}

// Found by QCOMPARE through argument-dependent lookup.
inline char* toString(const FakePrompter::Prompt& prompt)
{
    const QByteArray text = "Prompt(\"" + prompt.text.toUtf8() + "\", \"" + prompt.title.toUtf8() +
                            "\", " + promptIconName(prompt.icon) + ", " +
                            promptButtonsName(prompt.buttons) + ")";
    return qstrdup(text.constData());
}
