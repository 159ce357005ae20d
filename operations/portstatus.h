#ifndef PORTSTATUS_H
#define PORTSTATUS_H

#include <QString>

// Texts of the register's pinpad and modem ports, from plain values so that
// they can be checked without a driver or a window.

// "синхронно", "асинхронно", or "выключено" for any other mode.
QString portModeName(int mode);

// Name of a modem state; empty for a state without a name, which includes
// 6, negatives and anything above 8.
QString modemStateName(int state);

// What the register reported after a modem status update.
struct ModemStatus
{
    int state = 0;
    int signalLevel = 0; // dBm; 0 means the modem gave none
    QString operatorName;
    QString lastError;
    int inputBufferSize = 0;
    int outputBufferSize = 0;
};

// The status view's text for the modem port; a missing signal level,
// operator or error is shown as "?".
QString modemStatusText(const ModemStatus &status);

// The status view's text for the pinpad port: its two buffer sizes.
QString pinpadStatusText(int inputBufferSize, int outputBufferSize);

#endif // PORTSTATUS_H
