#ifndef CONNECTION_H
#define CONNECTION_H

#include "simdevice.h"

namespace Sim {

// The connection parameters every simulated device has: port and speed,
// device file, network and Bluetooth addresses, search directory. Nothing is
// opened with them; they are kept, checked alike in every device and read by
// the bench, which describes a device by its port and addresses.
//
// What still differs between the devices is what their saved settings
// strings and their descriptions in the bench already hold: how the network
// entries of the port list are spelt, the labels of the USB entries and the
// values of a fresh device.
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
