#ifndef SIMPAYCARD_PAYCARDCODES_H
#define SIMPAYCARD_PAYCARDCODES_H

#include <QString>

// Result codes of the simulated payment terminal. The terminal's own codes lie
// in -200..-299; the common driver code keeps -1..-99 and the register
// -100..-199, so a code shown by the bench always tells which part refused.
//
// Four codes outside that range mean "no answer at all": the bench hides the
// response fields for them, so the terminal reports them exactly when it has
// no response to show (pinpad silent, cancelled on the pinpad, host timeout,
// host unreachable).
namespace SimPayCard {
namespace ResultCode {

constexpr int Ok = 0;

constexpr int InvalidInput = -200;
constexpr int NoPendingAuthorization = -201;
constexpr int ReferenceNotFound = -202;
constexpr int AlreadyCancelled = -203;
constexpr int ReferenceWrongOperation = -204;
constexpr int CancelOutsideShift = -205;
constexpr int RefundExceedsAmount = -206;

constexpr int Declined = -210;
constexpr int OperatorFailure = -211;

constexpr int ReportAlreadyOpen = -220;
constexpr int ReportNotOpen = -221;
constexpr int SlipNotFound = -222;
constexpr int ReportTerminalMismatch = -223;

constexpr int PinpadPortNotSet = -230;
constexpr int ModemPortNotSet = -231;
constexpr int PortUnknown = -232;
constexpr int PortWrongKind = -233;
constexpr int PortNotInitialised = -234;
constexpr int PortNotPowered = -235;
constexpr int ModemNoAnswer = -236;
constexpr int ModemConnectionError = -237;

constexpr int PinpadNoAnswer = -10050;
constexpr int CancelledOnPinpad = -10051;
constexpr int HostTimeout = -10052;
constexpr int HostUnreachable = 10053;

// The Russian text of a code of this terminal; empty for codes it does not own.
QString description(int code);

// True for the codes after which the terminal holds no response.
bool isNoAnswer(int code);

} // namespace ResultCode
} // namespace SimPayCard

#endif // SIMPAYCARD_PAYCARDCODES_H
