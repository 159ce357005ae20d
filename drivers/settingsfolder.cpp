#include "settingsfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

QString settingsDirectory()
{
    // Computed once: QSettings only tells where the per-user configuration
    // of the organisation lives (nothing is read from or written to it), and
    // making one costs more than the rest of making a simulated register,
    // each of which asks.
    static const QString userFolder = [] {
        const QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                                 QStringLiteral("ORVA"), QStringLiteral("vanter9"));
        return QDir::toNativeSeparators(QFileInfo(settings.fileName()).absolutePath() + QStringLiteral("/vanter9/"));
    }();
    // Native separators throughout, since the path is shown in messages.
    const QString chosen = qEnvironmentVariable(SettingsFolderVariable);
    const QString folder = chosen.isEmpty()
                               ? userFolder
                               : QDir::toNativeSeparators(QDir::cleanPath(QDir(chosen).absolutePath()) + QLatin1Char('/'));
    QDir().mkpath(folder);
    return folder;
}

QString useSettingsDirectory(const QString &path)
{
    const QString previous = qEnvironmentVariable(SettingsFolderVariable);
    if (path.isEmpty())
        qunsetenv(SettingsFolderVariable);
    else
        qputenv(SettingsFolderVariable, QFile::encodeName(path));
    return previous;
}
