#include "startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QObject>
#include <QSettings>
#include <QTranslator>

void installTranslation()
{
    // Lives until the process ends: the application keeps a pointer to it.
    static QTranslator *translator = new QTranslator;
    const QString fileName = QStringLiteral("qt_") + QLocale::system().name();
    if (translator->load(fileName, QLibraryInfo::location(QLibraryInfo::TranslationsPath),
                         QString(), QString())
        || translator->load(fileName, QCoreApplication::applicationDirPath() + QStringLiteral("/translations/"))) {
        QCoreApplication::installTranslator(translator);
    }
}

namespace {

QString &cachedSettingsDirectory()
{
    static QString directory;
    return directory;
}

} // namespace

void useSettingsDirectory(const QString &path)
{
    cachedSettingsDirectory() = QDir::cleanPath(path) + QDir::separator();
}

QString settingsDirectory()
{
    QString &directory = cachedSettingsDirectory();
    if (directory.isEmpty()) {
        // QSettings only tells where the per-user configuration of the
        // organisation lives; nothing is read from or written to it.
        const QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                                 QStringLiteral("ORVA"), QStringLiteral("vanter9"));
        directory = QFileInfo(settings.fileName()).absolutePath() + QDir::separator()
                    + QObject::tr("vanter9") + QDir::separator();
    }
    QDir().mkpath(directory);
    return directory;
}
