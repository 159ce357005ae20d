#include "paycardlibrary.h"

#include "driverfactories.h"
#include "settingsfolder.h"

#include <QFile>
#include <QSaveFile>

namespace PaycardLibrary {

QString memoryFile()
{
    return settingsDirectory() + QStringLiteral("paycard_library.txt");
}

QString remembered()
{
    QFile file(memoryFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    // A path fits on one line; anything after it is not ours.
    return QString::fromUtf8(file.readLine()).trimmed();
}

bool remember(const QString &libraryPath)
{
    QSaveFile file(memoryFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray line = libraryPath.toUtf8() + '\n';
    if (file.write(line) != line.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool useRemembered(PaycardFactory *factory)
{
    if (factory->isReady())
        return true;
    const QString path = remembered();
    // A library that has gone (an unplugged drive, a moved build) only
    // leaves the loader's debug line; the path is kept for when it is back.
    return !path.isEmpty() && factory->useLibrary(path).isEmpty();
}

} // namespace PaycardLibrary
