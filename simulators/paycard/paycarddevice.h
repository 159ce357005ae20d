#ifndef SIMPAYCARD_PAYCARDDEVICE_H
#define SIMPAYCARD_PAYCARDDEVICE_H

#include "terminal.h"

#include "ipaycard.h"
#include "simdriver.h"

// The driver object of the simulated payment terminal: the interface the
// host calls, on top of the common simulated-device state and the terminal.
namespace SimPayCard {

// Protocols whose terminal talks through the register's ports; the last of
// them also reaches the host through the register's modem.
constexpr int FirstEcrPortProtocol = 8;
constexpr int LastEcrPortProtocol = 10;
constexpr int ModemProtocol = 10;
constexpr int ProtocolCount = 14;

class PayCardDevice : public Sim::SimDriver<NEB::PayCard::IPayCard>
{
public:
    PayCardDevice();
    ~PayCardDevice() override;

    int NEBAPI setOperationType(int type) override;
    int NEBAPI setServiceOperationType(int type) override;
    int NEBAPI setAuthorizationType(int type) override;
    int NEBAPI setSum(double sum) override;
    int NEBAPI setCurrencyCode(const wchar_t *code) override;
    int NEBAPI setReferenceNumber(const wchar_t *number) override;
    int NEBAPI setAccountNumber(const wchar_t *number) override;
    int NEBAPI setPhoneNumber(const wchar_t *number) override;
    int NEBAPI setTrack2(const wchar_t *track) override;
    int NEBAPI setCharLineLength(int length) override;
    int NEBAPI setEcrReceiptNumber(int number) override;
    int NEBAPI setReportType(int type) override;
    int NEBAPI setReportOperationType(int type) override;
    int NEBAPI setReportSum(double sum) override;
    int NEBAPI setReportTerminalId(const wchar_t *id) override;
    int NEBAPI setSlipNumber(int number) override;
    int NEBAPI setPinpadPort(int handle) override;
    int NEBAPI setModemPort(int handle) override;

    int NEBAPI authorize() override;
    int NEBAPI completeAuthorization() override;
    int NEBAPI executeServiceOperation() override;
    int NEBAPI beginReport() override;
    int NEBAPI addReportItem() override;
    int NEBAPI endReport() override;
    int NEBAPI resetReport() override;

    int NEBAPI responseCode(int *code) override;
    int NEBAPI authorizationCode(wchar_t *buffer, int size) override;
    int NEBAPI transactionId(wchar_t *buffer, int size) override;
    int NEBAPI transactionDate(wchar_t *buffer, int size) override;
    int NEBAPI transactionTime(wchar_t *buffer, int size) override;
    int NEBAPI terminalId(wchar_t *buffer, int size) override;
    int NEBAPI referenceNumber(wchar_t *buffer, int size) override;
    int NEBAPI cardNumber(wchar_t *buffer, int size) override;
    int NEBAPI cardType(wchar_t *buffer, int size) override;
    int NEBAPI cardExpiryDate(wchar_t *buffer, int size) override;
    int NEBAPI operatorName(wchar_t *buffer, int size) override;
    int NEBAPI amountId(wchar_t *buffer, int size) override;
    int NEBAPI commissionId(wchar_t *buffer, int size) override;
    int NEBAPI slipText(wchar_t *buffer, int size) override;
    int NEBAPI slipNumber(int *number) override;
    int NEBAPI commission(double *value) override;
    int NEBAPI charLineLength(int *length) override;

    // Objects made by this library and not yet released; the release
    // function deletes only these.
    static bool isLive(const NEB::PayCard::IPayCard *device);

    QString describeResult(int code) const override;

protected:
    QString valueProblem(const QString &name, const QString &value) const override;
    void settingsApplied() override;
    QString dialogTitle() const override;
    void addSettingsWidgets(Sim::SettingsDialog &dialog) override;

private:
    int setIntInput(const char *operation, int value, int Inputs::*field);
    int setTextInput(const char *operation, const wchar_t *text, const QString &argumentName,
                     QString Inputs::*field);
    int textResult(const char *operation, const QString &value, wchar_t *buffer, int size);
    // Hands a terminal status back to the host through the error state.
    int finish(const Status &status);
    // Runs a host exchange: enabled check, the terminal, then the delay.
    int exchange(Status (Terminal::*action)(const TerminalConfig &));
    Status checkPorts() const;
    Status checkPort(int handle, bool modem) const;
    void responseDelay() const;

    Terminal terminal;
    TerminalConfig config;
    int pinpadHandle = 0;
    int modemHandle = 0;
};

} // namespace SimPayCard

#endif // SIMPAYCARD_PAYCARDDEVICE_H
