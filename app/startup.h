#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

// Loads and installs the toolkit's own translation for the system locale,
// from the toolkit's directory or the "translations" directory beside the
// program. Nothing is reported when neither has it.
void installTranslation();

// The per-user directory of the device settings files, with a trailing
// separator; created again whenever it has gone missing.
QString settingsDirectory();

// Points settingsDirectory at another folder for the rest of the process;
// for scenario runs, which must leave the user's own files alone.
void useSettingsDirectory(const QString &path);

#endif // STARTUP_H
