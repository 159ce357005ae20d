#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "devicetexts.h"

void PayCardMainWindow::on_cmbDevices_currentIndexChanged(int index)
{
    const bool selected = index >= 0;
    ui->pbtnRemove->setEnabled(selected);
    ui->pbtnRename->setEnabled(selected);
    ui->pbtnShowPaycardProperties->setEnabled(selected);
    ui->cbPaycardEnable->setEnabled(selected);
    if (!selected) {
        ui->pbtnShowEcrProperties->setEnabled(false);
        ui->lbCurrentPayCardName->setText(QString());
        ui->lbCurrentEcrName->setText(QString());
        return;
    }

    // Reached from the combo box's signal: nothing may escape into the event
    // loop, so a failure goes to the status bar like any other.
    try {
        const int id = currentItemId(ui->cmbDevices);
        paycardDevices->setCurrent(id);
        ui->lbCurrentPayCardName->setText(ui->cmbDevices->currentText());
        if (fptrReady()) {
            fptrDevices->setCurrent(id);
            ui->lbCurrentEcrName->setText(deviceDescription(currentFptr()->driverObject()));
            ui->pbtnShowEcrProperties->setEnabled(true);
        } else {
            ui->lbCurrentEcrName->setText(QString());
            ui->pbtnShowEcrProperties->setEnabled(false);
        }
        updateEcrPortState();
        passEcrPortsToPaycard();
    } catch (const std::exception &e) {
        showError(e.what());
    }
}

void PayCardMainWindow::on_pbtnAdd_clicked()
{
}

void PayCardMainWindow::on_pbtnRemove_clicked()
{
}

void PayCardMainWindow::on_pbtnRename_clicked()
{
}

void PayCardMainWindow::on_cbPaycardEnable_toggled(bool)
{
}

void PayCardMainWindow::on_pbtnShowPaycardProperties_clicked()
{
}

void PayCardMainWindow::on_pbtnShowEcrProperties_clicked()
{
}
