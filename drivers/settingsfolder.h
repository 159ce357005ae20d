#ifndef SETTINGSFOLDER_H
#define SETTINGSFOLDER_H

#include <QString>

// The folder of the device settings files, with a trailing separator,
// created again whenever it has gone missing: the folder "vanter9" beside
// the per-user configuration file of organisation "ORVA", unless the
// environment names another. The simulated drivers keep their tapes and
// traces there too. They are libraries of their own with their own copy of
// this code, which is why the choice of folder travels in the environment
// rather than in a variable of the bench's.
QString settingsDirectory();

// Names the variable that points the bench and the simulated drivers at
// another folder: scenario runs and tests use it to leave the user's own
// files alone, on every system.
constexpr char SettingsFolderVariable[] = "VANTER9_SETTINGS_FOLDER";

// Points settingsDirectory, in the bench and in the simulated drivers, at
// path, or back at the per-user folder when path is empty. Returns the folder
// chosen before (empty for the per-user one), to be handed back when done.
QString useSettingsDirectory(const QString &path);

#endif // SETTINGSFOLDER_H
