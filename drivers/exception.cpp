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
