#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

QString portModeName(int mode)
{
    switch (mode) {
    case 1:
        return PayCardMainWindow::tr("синхронно");
    case 2:
        return PayCardMainWindow::tr("асинхронно");
    default:
        return PayCardMainWindow::tr("выключено");
    }
}

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

void PayCardMainWindow::on_pbtnEcrPortModeSync_clicked()
{
}

void PayCardMainWindow::on_pbtnEcrPortModeAsync_clicked()
{
}

void PayCardMainWindow::on_pbtnEcrPortOn_clicked()
{
}

void PayCardMainWindow::on_pbtnEcrPortOff_clicked()
{
}

void PayCardMainWindow::on_pbtnEcrPortGetStatus_clicked()
{
}
