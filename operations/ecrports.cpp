#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "portstatus.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;


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

namespace {

enum PortType { PinpadPort = 0, ModemPort = 1 };

} // namespace

// The four mode and power buttons. Without the register library the click
// does nothing at all; otherwise the chosen port's operation runs, and the
// remembered mode changes only once the driver took it. They leave an
// earlier error text in place.
void PayCardMainWindow::runEcrPortAction(int (NEBAPI IFptr::*pinpad)(), int (NEBAPI IFptr::*modem)())
{
    if (!fptrReady())
        return;
    try {
        switch (currentItemId(ui->cmbEcrPortType)) {
        case PinpadPort:
            currentFptr()->invoke(pinpad);
            break;
        case ModemPort:
            currentFptr()->invoke(modem);
            break;
        default:
            break;
        }
        updateEcrPortState();
    } catch (const std::exception &e) {
        showError(e.what());
    }
}

void PayCardMainWindow::setEcrPortMode(int mode)
{
    if (!fptrReady())
        return;
    try {
        switch (currentItemId(ui->cmbEcrPortType)) {
        case PinpadPort:
            setEcrInt(&IFptr::setPinpadPortMode, mode);
            pinpadMode = mode;
            break;
        case ModemPort:
            setEcrInt(&IFptr::setModemPortMode, mode);
            modemMode = mode;
            break;
        default:
            break;
        }
        updateEcrPortState();
    } catch (const std::exception &e) {
        showError(e.what());
    }
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
    runEcrPortAction(&IFptr::pinpadPowerOn, &IFptr::modemPowerOn);
}

void PayCardMainWindow::on_pbtnEcrPortOff_clicked()
{
    runEcrPortAction(&IFptr::pinpadPowerOff, &IFptr::modemPowerOff);
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
            status.operatorName = ecrString(&IFptr::modemOperator, fptr);
            status.lastError = ecrString(&IFptr::modemLastError, fptr);
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
