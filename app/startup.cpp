#include "startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
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
