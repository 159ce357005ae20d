#include "exception.h"

#include <QCoreApplication>

Exception::Exception(const QString &message)
    : text(message)
{
}

const char *Exception::what() const noexcept
{
    utf8 = text.toUtf8();
    return utf8.constData();
}

DeviceNotFoundException::DeviceNotFoundException()
    : Exception(QCoreApplication::translate("QObject", "Несуществующее устройство"))
{
}

QString driverExceptionText(const char *operation, const char *what)
{
    const QString name = QString::fromLatin1(operation ? operation : "?");
    if (what && *what)
        return QCoreApplication::translate("QObject", "Драйвер прервал операцию %1 исключением: %2")
            .arg(name, QString::fromUtf8(what).left(500));
    return QCoreApplication::translate("QObject", "Драйвер прервал операцию %1 исключением").arg(name);
}
