// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class KeyboardLight;
class ProcessRunner;
class Prompter;
class SoundPlayer;
namespace Settings {
class SettingsStore;
}

// Everything the checker's window talks to outside itself. main() builds the
// real devices; tests pass fakes. Every referenced object must outlive the
// window.
struct CheckerContext
{
    Prompter& prompter;
    ProcessRunner& processes;
    KeyboardLight& light;
    SoundPlayer& sound;
    Settings::SettingsStore& store;
    // The settings program, found beside the running checker.
    QString tavoprefsPath;
};
