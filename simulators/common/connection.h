#ifndef CONNECTION_H
#define CONNECTION_H

#include "simdevice.h"

namespace Sim {

// The connection parameters every simulated device has, checked alike in all
// of them. Nothing is opened with them; the bench shows them. A device keeps
// what its saved settings strings and its descriptions in the bench already
// hold: how it spells its network and USB ports and its defaults.
struct ConnectionProfile
{
    QString tcp, udp, bluetooth; // values of the TCP/IP, UDP/IP and Bluetooth entries
    QString usbLabel;            // label of USB1 and USB2, "%1" for the number
    bool usbLabelsWereValues;    // settings strings may name a USB entry by its label
    QString ttySuffix, ipPort, macAddress; // defaults
};

// "Port" and "BaudRate".
QVector<Definition> portDefinitions(const ConnectionProfile &profile);
// "TTYSuffix", "IPAddress", "IPPort", "MACAddress" and "SearchDir".
QVector<Definition> addressDefinitions(const ConnectionProfile &profile);

} // namespace Sim

#endif // CONNECTION_H
