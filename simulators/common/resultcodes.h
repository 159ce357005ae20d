#ifndef RESULTCODES_H
#define RESULTCODES_H

#include <QString>

// Result codes of the simulated drivers, negative like every failure result.
// Ranges: -1..-99 common to all simulators, -100..-199 fiscal register,
// -200..-299 payment terminal (kept in the terminal's own table). Positive
// response codes of an authorization are the terminal's own business.
namespace SimResult {

enum Code : int {
    Ok = 0,

    // Common.
    NullArgument = -1,
    InvalidArgument = -2,
    DeviceDisabled = -3,
    UnknownParameter = -4,
    InvalidParameterValue = -5,
    InvalidSettings = -6,
    FileError = -7,
    TextTooLong = -8,
    NoGui = -9,

    // Fiscal register.
    PaperEnd = -100,
    CoverOpen = -101,
    PrinterError = -102,
    LineTooLong = -103,
    WrongSequence = -104,
    PortNotInitialised = -105,
    ModemFailure = -106,
    NoModem = -107,
};

// The Russian description of a common or fiscal-register code; empty for a
// code of no table here.
QString text(int code);

} // namespace SimResult

#endif // RESULTCODES_H
