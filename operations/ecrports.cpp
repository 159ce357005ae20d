#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "portstatus.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

// The items of the port-type box.
enum PortType { PinpadPort = 0, ModemPort = 1 };

} // namespace

int PayCardMainWindow::paycardProtocol()
{
    return paycardParameter(QStringLiteral("Protocol")).toInt(nullptr, 10);
}

bool PayCardMainWindow::usesEcrPort()
{
    const int protocol = paycardProtocol();
    return protocol >= 8 && protocol <= 10 && fptrReady();
}

void PayCardMainWindow::updateEcrPortState()
{
    if (!paycardDevices || paycardDevices->count() == 0)
        return;
    if (fptrReady()) {
        QNebFptr *fptr = currentFptr();
        const int modem = fptr->readInt(&IFptr::modemPortMode);
        const int pinpad = fptr->readInt(&IFptr::pinpadPortMode);
        ui->lbEcrModemMode->setText(tr("Модем: ") + portModeName(modem));
        ui->lbEcrPinpadMode->setText(tr("Пинпад: ") + portModeName(pinpad));
    }
    // Setting the box emits toggled when the state changes, which switches
    // the devices to the state the terminal reports.
    ui->cbPaycardEnable->setChecked(paycardInt(&IPayCard::deviceEnabled) != 0);
    const bool portControls = usesEcrPort();
    ui->gbEcrPortMode->setEnabled(portControls);
    ui->cmbEcrPortType->setEnabled(portControls);
}

void PayCardMainWindow::passEcrPortsToPaycard()
{
    if (!fptrReady() || fptrDevices->count() == 0 || !paycardDevices || paycardDevices->count() == 0)
        return;
    const int pinpadHandle = currentFptr()->readInt(&IFptr::pinpadPortHandle);
    setPaycardInt(&IPayCard::setPinpadPort, pinpadHandle);
    const int modemHandle = currentFptr()->readInt(&IFptr::modemPortHandle);
    setPaycardInt(&IPayCard::setModemPort, modemHandle);
}

// The mode and power buttons act on the port chosen in the port-type box;
// with no port chosen nothing is sent. Without the register library a click
// does nothing at all. They leave an earlier error text in place.
void PayCardMainWindow::runOnChosenEcrPort(const std::function<void(QNebFptr *)> &pinpad,
                                           const std::function<void(QNebFptr *)> &modem)
{
    if (!fptrReady())
        return;
    try {
        switch (currentItemId(ui->cmbEcrPortType)) {
        case PinpadPort:
            pinpad(currentFptr());
            break;
        case ModemPort:
            modem(currentFptr());
            break;
        default:
            break;
        }
        updateEcrPortState();
    } catch (const std::exception &e) {
        showError(e.what());
    }
}

// The remembered mode changes only once the driver took it: it is what the
// register's settings dialog gives the port back.
void PayCardMainWindow::setEcrPortMode(int mode)
{
    runOnChosenEcrPort(
        [this, mode](QNebFptr *fptr) {
            fptr->invoke(&IFptr::setPinpadPortMode, mode);
            pinpadMode = mode;
        },
        [this, mode](QNebFptr *fptr) {
            fptr->invoke(&IFptr::setModemPortMode, mode);
            modemMode = mode;
        });
}

void PayCardMainWindow::on_pbtnEcrPortModeSync_clicked()
{
    setEcrPortMode(1);
}

void PayCardMainWindow::on_pbtnEcrPortModeAsync_clicked()
{
    setEcrPortMode(2);
}

void PayCardMainWindow::on_pbtnEcrPortOn_clicked()
{
    runOnChosenEcrPort([](QNebFptr *fptr) { fptr->invoke(&IFptr::pinpadPowerOn); },
                       [](QNebFptr *fptr) { fptr->invoke(&IFptr::modemPowerOn); });
}

void PayCardMainWindow::on_pbtnEcrPortOff_clicked()
{
    runOnChosenEcrPort([](QNebFptr *fptr) { fptr->invoke(&IFptr::pinpadPowerOff); },
                       [](QNebFptr *fptr) { fptr->invoke(&IFptr::modemPowerOff); });
}

void PayCardMainWindow::on_pbtnEcrPortGetStatus_clicked()
{
    if (!fptrReady())
        return;
    try {
        const int portType = currentItemId(ui->cmbEcrPortType);
        if (portType == ModemPort) {
            QNebFptr *fptr = currentFptr();
            fptr->invoke(&IFptr::updateModemStatus);
            ModemStatus status;
            status.state = fptr->readInt(&IFptr::modemState);
            status.signalLevel = fptr->readInt(&IFptr::modemSignalLevel);
            status.operatorName = fptr->readString(&IFptr::modemOperator);
            status.lastError = fptr->readString(&IFptr::modemLastError);
            // The buffer getters report the port whose status was updated last.
            status.inputBufferSize = fptr->readInt(&IFptr::inputBufferSize);
            status.outputBufferSize = fptr->readInt(&IFptr::outputBufferSize);
            ui->teStatus->setPlainText(modemStatusText(status));
        } else if (portType == PinpadPort) {
            QNebFptr *fptr = currentFptr();
            fptr->invoke(&IFptr::updatePinpadStatus);
            const int input = fptr->readInt(&IFptr::inputBufferSize);
            const int output = fptr->readInt(&IFptr::outputBufferSize);
            ui->teStatus->setPlainText(pinpadStatusText(input, output));
        }
        showError("");
    } catch (const std::exception &e) {
        showError(e.what());
    }
}
