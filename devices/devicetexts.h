#ifndef DEVICETEXTS_H
#define DEVICETEXTS_H

#include "qnebinterface.h"

#include <QCoreApplication>
#include <QDateTime>

// One-line description of a device's model and port, for either driver
// interface. None of the reads is checked: a failing driver gives a partial
// text rather than an error. A port the table does not know gives the
// current date and time, so that every device still gets a distinct text.
template <class I>
QString deviceDescription(I *driver)
{
    const QString model = readParameterValueLabel(driver, L"Model");
    const QString port = readParameterValueLabel(driver, L"Port");
    const auto tr = [](const char *text) { return QCoreApplication::translate("PayCardMainWindow", text); };

    if (port == QStringLiteral("Файл устройства"))
        return tr("%1 (%2 %3)").arg(model, readParameterText(driver, L"TTYSuffix"),
                                    readParameterValueLabel(driver, L"BaudRate"));
    if (port == QLatin1String("TCP/IP") || port == QLatin1String("UDP/IP"))
        return tr("%1 (%2:%3)").arg(model, readParameterText(driver, L"IPAddress"),
                                    readParameterText(driver, L"IPPort"));
    if (port.startsWith(QLatin1String("COM")))
        return tr("%1 (%2 %3)").arg(model, port, readParameterValueLabel(driver, L"BaudRate"));
    if (port == QLatin1String("Bluetooth"))
        return tr("%1 (%2)").arg(model, readParameterText(driver, L"MACAddress"));
    if (port.startsWith(QLatin1String("USB:")))
        return tr("%1 (%2)").arg(model, port);
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd HH:mm:ss.zzz"));
}

#endif // DEVICETEXTS_H
