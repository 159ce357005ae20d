#ifndef TOOLENVIRONMENT_H
#define TOOLENVIRONMENT_H

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "settingsfolder.h"

#include <cstdio>

// Points every per-user folder of the process and of the programs it starts
// into home: the settings folder, on every system, through the variable the
// bench and the simulated drivers read, and on Linux the configuration and
// home folders too, where that same settings folder is also the default one.
inline void useOwnSettingsFolder(const QString &home)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    qputenv("HOME", QFile::encodeName(home));
    qputenv(SettingsFolderVariable, QFile::encodeName(home + QStringLiteral("/ORVA/vanter9")));
}

// For the long-running checks that drive the window outside the test
// harness: headless unless a platform is asked for, and a configuration
// directory of their own, set before the application object exists, so the
// user's real settings are never read or written. Returns false when no
// directory could be made.
inline bool useOwnConfiguration(const QTemporaryDir &home)
{
    if (!home.isValid()) {
        std::fprintf(stderr, "no temporary configuration directory\n");
        return false;
    }
    // The minimal platform, unlike the offscreen one, frees its screen at
    // exit, so a leak check of these long runs needs no suppression at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    useOwnSettingsFolder(home.path());
    return true;
}

#endif // TOOLENVIRONMENT_H
