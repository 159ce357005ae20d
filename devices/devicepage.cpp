#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "devicetexts.h"
#include "dialogs.h"
#include "paycardlibrary.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

// The descriptions read a bare driver object, which the wrapper may not have.
template <class Wrapper>
typename Wrapper::Interface *driverOf(Wrapper *wrapper)
{
    if (!wrapper->driverObject())
        throw DeviceNotFoundException();
    return wrapper->driverObject();
}

// Asks the user for the terminal library until one loads or the user gives
// up. A chosen library serves this run at once and is remembered for the
// next start. Returns whether the factory is ready now.
bool searchPaycardLibrary(QWidget *parent, PaycardFactory *factory)
{
    for (;;) {
        const QString fileName = selectOpenFile(parent, PayCardMainWindow::tr("Укажите расположение библиотеки дПС"),
                                                QString(),
                                                PayCardMainWindow::tr("Динамические библиотеки (*.dll);;Все файлы (*.*)"));
        if (fileName.isEmpty()) {
            const int answer = askQuestion(parent, PayCardMainWindow::tr("Библиотека не указана"),
                                           PayCardMainWindow::tr("Без библиотеки дПС невозможно работать с ПС.\n"
                                                                 "Завершить поиск?"),
                                           QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
            if (answer == QMessageBox::Ok)
                return false;
            continue;
        }
        const QString failure = factory->useLibrary(fileName);
        if (failure.isEmpty()) {
            // The library works for this run whether or not the path could
            // be kept; the user only has to know it will be asked for again.
            if (!PaycardLibrary::remember(fileName))
                showWarning(parent, PayCardMainWindow::tr("Ошибка"),
                            PayCardMainWindow::tr("Сохранить настройки не удалось"));
            return true;
        }
        showWarning(parent, PayCardMainWindow::tr("Ошибка"),
                    PayCardMainWindow::tr("Файл не является библиотекой дПС:\n%1\n\n%2").arg(fileName, failure));
    }
}

} // namespace

void PayCardMainWindow::on_cmbDevices_currentIndexChanged(int index)
{
    // Start-up refreshes the page for item 0 even when no device could be
    // made; an empty box is no selection, whatever the index says.
    const bool selected = index >= 0 && ui->cmbDevices->count() > 0;
    ui->pbtnRemove->setEnabled(selected);
    ui->pbtnRename->setEnabled(selected);
    ui->pbtnShowPaycardProperties->setEnabled(selected);
    ui->cbPaycardEnable->setEnabled(selected);
    if (!selected) {
        // The port controls keep their state: pressed without a device,
        // they say there is none, like the other buttons.
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
            ui->lbCurrentEcrName->setText(deviceDescription(driverOf(currentFptr())));
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
    try {
        if (!paycardDevices->isReady()) {
            if (!searchPaycardLibrary(this, paycardDevices.get()))
                return;
            restoreLatePaycardDevices();
        }
        addDevice();
    } catch (const std::exception &e) {
        showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
    }
}

// A new terminal and its register enter the lists only when the user
// accepted the terminal's settings dialog; in every other outcome, failures
// included, both driver objects go back to their libraries.
void PayCardMainWindow::addDevice()
{
    std::unique_ptr<QNebPaycard> paycard;
    std::unique_ptr<QNebFptr> fptr;
    try {
        paycard = prepareDevice(paycardDevices.get(), paycardDevices->create(), tr("Не удалось создать устройство"));
        if (fptrReady())
            fptr = prepareDevice(fptrDevices.get(), fptrDevices->create(0), QString());
        const int result = paycard->invoke(&IPayCard::showProperties);
        if (result != 1) {
            paycardDevices->release(paycard);
            if (fptrReady() && fptr)
                fptrDevices->release(0, fptr);
            return;
        }
        const int id = paycardDevices->add(std::move(paycard));
        paycardDevices->setCurrent(id);
        if (fptrReady())
            fptrDevices->setCurrent(fptrDevices->add(0, std::move(fptr)));
        ui->cmbDevices->addItem(deviceCaption(currentPaycard()), id);
        // Fires the device selection, which refreshes the page for it.
        ui->cmbDevices->setCurrentIndex(ui->cmbDevices->count() - 1);
    } catch (...) {
        paycardDevices->discard(paycard);
        if (fptrDevices)
            fptrDevices->discard(0, fptr);
        throw;
    }
}

void PayCardMainWindow::on_pbtnRemove_clicked()
{
    const int index = ui->cmbDevices->currentIndex();
    if (index == -1)
        return;
    try {
        const int id = currentItemId(ui->cmbDevices);
        paycardDevices->remove(id);
        if (fptrReady())
            fptrDevices->remove(id);
        // Moves the combo box to another item, or to none, and so refreshes
        // the page.
        ui->cmbDevices->removeItem(index);
    } catch (const std::exception &e) {
        showError(e.what());
    }
}

void PayCardMainWindow::on_pbtnRename_clicked()
{
    const int index = ui->cmbDevices->currentIndex();
    if (index == -1)
        return;
    try {
        // The protocol's name is offered, not the current one, so a device
        // can get its default name back.
        const QString name = inputText(this, tr("Переименование"), tr("Новое имя устройства:"), QLineEdit::Normal,
                                       deviceCaption(currentPaycard()));
        if (!name.isEmpty())
            ui->cmbDevices->setItemText(index, name);
    } catch (const std::exception &e) {
        showError(e.what());
    }
    on_cmbDevices_currentIndexChanged(index);
}

void PayCardMainWindow::on_cbPaycardEnable_toggled(bool checked)
{
    try {
        passEcrPortsToPaycard();
        setPaycardInt(&IPayCard::setDeviceEnabled, checked);
        if (usesEcrPort())
            setEcrInt(&IFptr::setDeviceEnabled, checked);
        if (checked)
            updateEcrPortState();
        showError("");
    } catch (const std::exception &failure) {
        // Leave both devices off rather than half switched. Without a
        // register the rollback itself fails, and then its text is the one
        // shown.
        try {
            setPaycardInt(&IPayCard::setDeviceEnabled, 0);
            setEcrInt(&IFptr::setDeviceEnabled, 0);
            updateEcrPortState();
            showError(failure.what());
        } catch (const std::exception &rollbackFailure) {
            showError(rollbackFailure.what());
        }
    }
}

void PayCardMainWindow::on_pbtnShowPaycardProperties_clicked()
{
    try {
        currentPaycard()->invoke(&IPayCard::showProperties);
        passEcrPortsToPaycard();
        const bool enabled = ui->cbPaycardEnable->isChecked();
        setPaycardInt(&IPayCard::setDeviceEnabled, enabled);
        if (usesEcrPort())
            setEcrInt(&IFptr::setDeviceEnabled, enabled);
        showError("");
    } catch (const std::exception &e) {
        showError(e.what());
    }
    // The settings may have changed the protocol, and with it the port
    // controls, whether or not the rest worked.
    try {
        updateEcrPortState();
    } catch (const std::exception &e) {
        showError(e.what());
    }
}

void PayCardMainWindow::on_pbtnShowEcrProperties_clicked()
{
    try {
        currentFptr()->invoke(&IFptr::showProperties);
        ui->lbCurrentEcrName->setText(deviceDescription(driverOf(currentFptr())));
        passEcrPortsToPaycard();
        const bool enabled = ui->cbPaycardEnable->isChecked();
        setPaycardInt(&IPayCard::setDeviceEnabled, enabled);
        if (usesEcrPort()) {
            // The register's dialog may have reopened its ports; give them
            // back the modes the user set with the port buttons.
            setEcrInt(&IFptr::setDeviceEnabled, enabled);
            setEcrInt(&IFptr::setPinpadPortMode, pinpadMode);
            setEcrInt(&IFptr::setModemPortMode, modemMode);
        }
        updateEcrPortState();
        showError("");
    } catch (const std::exception &e) {
        showError(e.what());
    }
}
