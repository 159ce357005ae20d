#ifndef FPTRDRIVER_H
#define FPTRDRIVER_H

#include "simdriver.h"

#include "ifptr.h"

#include <QPointer>
#include <QStringList>

class QPlainTextEdit;

// A simulated fiscal register: prints slips onto a tape (a text file and an
// optional window) and offers a pinpad port and a modem port, registered in
// the process-wide port table so that a simulated terminal can see them.
//
// Each port gets its handle when the object is made and keeps it until the
// object is released: the host may hand a handle to the terminal before the
// port is initialised, and that handle must then work once it is.
//
// A switched-off device refuses printing and every port action; the getters,
// the error state, the settings and the parameters stay usable, since they
// only report what the object holds. Switching the device off closes both
// ports (off and unpowered, handles kept) and abandons an open document.
class FptrDriver final : public Sim::SimDriver<NEB::Fptr::IFptr>
{
public:
    FptrDriver();
    ~FptrDriver() override;

    int NEBAPI setLineParamA(int value) override;
    int NEBAPI setLineParamB(int value) override;
    int NEBAPI setLineText(const wchar_t *text) override;
    int NEBAPI printLine() override;
    int NEBAPI setFinishParam(int value) override;
    int NEBAPI finishStepA() override;
    int NEBAPI finishStepB() override;
    int NEBAPI finishStepC() override;

    int NEBAPI setPinpadPortMode(int mode) override;
    int NEBAPI pinpadPortMode(int *mode) override;
    int NEBAPI pinpadPowerOn() override;
    int NEBAPI pinpadPowerOff() override;
    int NEBAPI updatePinpadStatus() override;
    int NEBAPI pinpadPortHandle(int *handle) override;

    int NEBAPI setModemPortMode(int mode) override;
    int NEBAPI modemPortMode(int *mode) override;
    int NEBAPI modemPowerOn() override;
    int NEBAPI modemPowerOff() override;
    int NEBAPI updateModemStatus() override;
    int NEBAPI modemPortHandle(int *handle) override;
    int NEBAPI modemState(int *state) override;
    int NEBAPI modemSignalLevel(int *dbm) override;
    int NEBAPI modemOperator(wchar_t *buffer, int size) override;
    int NEBAPI modemLastError(wchar_t *buffer, int size) override;

    int NEBAPI inputBufferSize(int *bytes) override;
    int NEBAPI outputBufferSize(int *bytes) override;

protected:
    void settingsApplied() override;
    void enabledChanged(bool enabled) override;
    QString dialogTitle() const override;

private:
#if defined(SIM_RECEIPT_PRINTER)
    // A receipt printer has a pinpad port but no modem: its modem port has
    // no handle and refuses every action.
    static constexpr bool HasModem = false;
#else
    static constexpr bool HasModem = true;
#endif

    // Where the current document stands in its closing sequence.
    enum class Document { None, Open, FinishParam, StepA, StepB };

    struct Port
    {
        int handle = 0;
        int mode = 0; // 0 off (not initialised), 1 synchronous, 2 asynchronous
        bool powered = false;

        bool initialised() const { return mode == 1 || mode == 2; }
    };

    // What the status getters report: values of the last status update.
    struct Status
    {
        int modemState = 0;
        int signal = 0;
        QString operatorName;
        QString lastError;
        int inputBuffer = 0;
        int outputBuffer = 0;
    };

    int doSetLineParamA(int value);
    int doSetLineParamB(int value);
    int doSetLineText(const wchar_t *text);
    int doPrintLine();
    int doSetFinishParam(int value);
    int doFinishStep(Document expected, Document next, const char *stepName);
    // 0 for the pinpad port and for a register with a modem.
    int needModem(bool modem);
    int doSetPortMode(Port &port, bool modem, int mode);
    int doPower(Port &port, bool modem, bool on);
    int doUpdatePinpadStatus();
    int doUpdateModemStatus();

    QString faultChoice() const;
    int printerFault();
    void abandonDocument(const QString &reason);
    bool appendToTape(const QString &ending, QString *error);
    void showOnTapeWindow(const QString &text);
    void publish(const Port &port, bool modem);
    void closePort(Port &port, bool modem);
    void closePorts();
    QString defaultValue(int index) const override;

    Document document = Document::None;
    QStringList lines;
    int documentNumber = 0;
    int lineParamA = 0;
    int lineParamB = 1;
    QString lineText;
    // The printer fault and its line count as last applied, and the lines
    // printed since they were chosen.
    QString chosenFault;
    int linesSinceFaultChosen = 0;

    Port pinpad;
    Port modem;
    // Position in the modem's state sequence: the number of updates since
    // power-on that advanced it.
    int modemStep = 0;
    int modemInternalState = 0;
    QString modemError;
    int modemUpdates = 0;
    Status status;

    QPointer<QPlainTextEdit> tapeWindow;
};

#endif // FPTRDRIVER_H
