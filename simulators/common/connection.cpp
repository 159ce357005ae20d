#include "connection.h"

#include <algorithm>

namespace Sim {
namespace {

QString ttySuffixProblem(const QString &value)
{
    // The suffix completes a device file name (ttyS0, USB0): a slash or a
    // blank would name some other file.
    return isLatinWord(value, 0, 32, QLatin1String("_.-"))
        ? QString() : QStringLiteral("допустимы латинские буквы, цифры, «_», «.», «-», не более 32");
}

QString ipAddressProblem(const QString &value)
{
    if (value.isEmpty())
        return QString();
    if (!isLatinWord(value, 1, 253, QLatin1String(".-")))
        return QStringLiteral("нужен адрес IPv4 или имя узла");
    const bool dotted = std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
    if (dotted) {
        const QStringList parts = value.split(QLatin1Char('.'));
        if (parts.size() != 4)
            return QStringLiteral("адрес IPv4 состоит из четырех чисел");
        for (const QString &part : parts) {
            if (part.isEmpty() || part.size() > 3 || part.toInt() > 255)
                return QStringLiteral("числа адреса IPv4 лежат от 0 до 255");
        }
    }
    return QString();
}

QString ipPortProblem(const QString &value)
{
    return isNumberIn(value, 1, 65535) ? QString() : QStringLiteral("нужен номер порта от 1 до 65535");
}

QString macAddressProblem(const QString &value)
{
    return value.isEmpty() || isMacAddress(value, QLatin1String(":-"))
        ? QString() : QStringLiteral("нужно шесть шестнадцатеричных пар через «:» или «-», например 02:00:00:5A:11:01");
}

} // namespace

QVector<Definition> portDefinitions(const ConnectionProfile &profile)
{
    QVector<ValueChoice> ports;
    for (int i = 1; i <= 16; ++i)
        ports.append({QStringLiteral("COM%1").arg(i), QStringLiteral("COM%1").arg(i)});
    // The bench describes a device by the label of its port, so these labels
    // are the texts it recognises. It finds the label by cutting each entry
    // of the value list at its first colon, so no value may contain one.
    ports.append({profile.tcp, QStringLiteral("TCP/IP")});
    ports.append({profile.udp, QStringLiteral("UDP/IP")});
    ports.append({profile.bluetooth, QStringLiteral("Bluetooth")});
    for (int i = 1; i <= 2; ++i) {
        const QString label = profile.usbLabel.arg(i);
        ports.append({QStringLiteral("USB%1").arg(i), label,
                      profile.usbLabelsWereValues ? QStringList{label} : QStringList()});
    }
    ports.append({QStringLiteral("TTY"), QStringLiteral("Файл устройства")});
    return {{QStringLiteral("Port"), QStringLiteral("Порт"), QStringLiteral("COM1"), ports},
            {QStringLiteral("BaudRate"), QStringLiteral("Скорость, бод"), QStringLiteral("115200"),
             plainChoices({"2400", "4800", "9600", "19200", "38400", "57600", "115200"})}};
}

QVector<Definition> addressDefinitions(const ConnectionProfile &profile)
{
    return {{QStringLiteral("TTYSuffix"), QStringLiteral("Файл устройства (суффикс)"), profile.ttySuffix,
             {}, false, ttySuffixProblem},
            {QStringLiteral("IPAddress"), QStringLiteral("IP-адрес"), QStringLiteral("127.0.0.1"), {}, false,
             ipAddressProblem},
            {QStringLiteral("IPPort"), QStringLiteral("IP-порт"), profile.ipPort, {}, false, ipPortProblem},
            {QStringLiteral("MACAddress"), QStringLiteral("MAC-адрес"), profile.macAddress, {}, false,
             macAddressProblem},
            {QStringLiteral("SearchDir"), QStringLiteral("Каталог поиска"), QString(), {}}};
}

} // namespace Sim
