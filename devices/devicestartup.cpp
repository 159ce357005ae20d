#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "devicetexts.h"
#include "dialogs.h"
#include "paycardlibrary.h"
#include "settingsfile.h"
#include "startup.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

const char PaycardFileName[] = "paycard.cfg";
const char FptrFileName[] = "paycard_fptr.cfg";

// The load error for a device whose driver refused its settings or set-up:
// the driver's own code and description.
template <class Wrapper>
QString driverFailure(Wrapper *wrapper, const Exception &failure)
{
    // Without a driver object there is nobody to ask for a code.
    if (!wrapper->driverObject())
        return failure.message();
    return QCoreApplication::translate("QObject", "[%1] %2")
        .arg(wrapper->readInt(&Wrapper::Interface::resultCode))
        .arg(wrapper->readString(&Wrapper::Interface::resultDescription));
}

// Gives a new device its saved settings and sets it up. Returns the text the
// load ends with, or an empty string; a device that failed goes back through
// `discard`, since it never reaches its list.
template <class Wrapper, class Discard>
QString restoreDevice(PayCardMainWindow *window, std::unique_ptr<Wrapper> &wrapper, const QString &settings,
                      Discard discard)
{
    if (!wrapper)
        return PayCardMainWindow::tr("Не удалось создать объект драйвера");
    try {
        wrapper->writeString(&Wrapper::Interface::setDeviceSettings, settings);
        window->setUpDevice(wrapper.get());
    } catch (const Exception &failure) {
        const QString text = driverFailure(wrapper.get(), failure);
        discard(wrapper);
        return text;
    } catch (...) {
        discard(wrapper);
        throw;
    }
    return QString();
}

} // namespace

void PayCardMainWindow::startDevices()
{
    // Nothing may escape the constructor: each step reports its own failure
    // and start-up goes on with whatever devices it has.
    try {
        // Without its library no saved device can be made, and the file is
        // neither read nor, at shut-down, replaced by a list without them.
        paycardDevices = std::make_unique<PaycardDeviceList>();
        PaycardLibrary::useRemembered(paycardDevices.get());
        if (paycardDevices->isReady())
            loadPaycardSettings(settingsDirectory() + QLatin1String(PaycardFileName));
        else
            filesLeftAlone.append(settingsDirectory() + QLatin1String(PaycardFileName));
        if (paycardDevices->count() == 0)
            createDefaultDevice();

        fptrDevices = std::make_unique<FptrDeviceList>();
        if (!fptrDevices->isReady(0)) {
            filesLeftAlone.append(settingsDirectory() + QLatin1String(FptrFileName));
            return;
        }
        // The saved registers pair with the saved terminals; while those
        // cannot be read, the registers wait in their file too.
        if (paycardDevices->isReady())
            loadFptrSettings(settingsDirectory() + QLatin1String(FptrFileName));
        else
            filesLeftAlone.append(settingsDirectory() + QLatin1String(FptrFileName));
        if (fptrDevices->count() != paycardDevices->count()) {
            try {
                rebuildFptrDevices();
            } catch (const std::exception &e) {
                showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
            }
        }
        on_cmbDevices_currentIndexChanged(0);
    } catch (const std::exception &e) {
        showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
    } catch (...) {
        showCritical(this, tr("Ошибка"), tr("Неизвестная ошибка"));
    }
}

// The terminal library was found only after start-up: the saved terminals
// and their registers are restored now, as start-up would have done, so that
// both files are written with them again at shut-down.
void PayCardMainWindow::restoreLatePaycardDevices()
{
    const QString paycardFile = settingsDirectory() + QLatin1String(PaycardFileName);
    if (!filesLeftAlone.removeAll(paycardFile))
        return;
    {
        // The page is refreshed once both lists are in step, not before.
        const QSignalBlocker blocker(ui->cmbDevices);
        loadPaycardSettings(paycardFile);
    }
    if (fptrReady()) {
        const QString fptrFile = settingsDirectory() + QLatin1String(FptrFileName);
        if (filesLeftAlone.removeAll(fptrFile) && fptrDevices->count() == 0)
            loadFptrSettings(fptrFile);
        if (fptrDevices->count() != paycardDevices->count())
            rebuildFptrDevices();
    }
    on_cmbDevices_currentIndexChanged(ui->cmbDevices->currentIndex());
}

void PayCardMainWindow::createDefaultDevice()
{
    std::unique_ptr<QNebPaycard> wrapper;
    try {
        wrapper = paycardDevices->create();
        if (!wrapper)
            throw Exception(tr("Не удалось создать устройство по умолчанию"));
        setUpDevice(wrapper.get());
        QNebPaycard *device = wrapper.get();
        const int id = paycardDevices->add(std::move(wrapper));
        paycardDevices->setCurrent(id);
        ui->cmbDevices->addItem(deviceCaption(device), id);
        ui->cmbDevices->setCurrentIndex(ui->cmbDevices->count() - 1);
    } catch (const std::exception &e) {
        paycardDevices->discard(wrapper);
        showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
    }
}

// Gives every terminal a fresh register with the same id. The new list is
// built, and so loads its libraries, before the old one goes.
void PayCardMainWindow::rebuildFptrDevices()
{
    fptrDevices = std::make_unique<FptrDeviceList>();
    for (int i = 0, count = paycardDevices->count(); i < count; ++i) {
        std::unique_ptr<QNebFptr> wrapper = fptrDevices->create(0);
        try {
            setUpDevice(wrapper.get());
        } catch (...) {
            fptrDevices->discard(0, wrapper);
            throw;
        }
        QNebFptr *device = wrapper.get();
        fptrDevices->setCurrent(fptrDevices->add(0, std::move(wrapper)));
        ui->lbCurrentEcrName->setText(deviceDescription(device->driverObject()));
    }
}

void PayCardMainWindow::shutDownDevices()
{
    // Runs in the destructor: a failure to save must not stop the devices
    // from being released before their libraries are unloaded.
    try {
        const QString paycardFile = settingsDirectory() + QLatin1String(PaycardFileName);
        const QString fptrFile = settingsDirectory() + QLatin1String(FptrFileName);
        if (paycardDevices && !filesLeftAlone.contains(paycardFile))
            savePaycardSettings(paycardFile);
        if (fptrDevices && !filesLeftAlone.contains(fptrFile))
            saveFptrSettings(fptrFile);
    } catch (...) {
    }
    paycardDevices.reset();
    fptrDevices.reset();
}

// Copies an unreadable file aside and returns the line of the load warning
// that says where. A file that could not be copied is left as it is at
// shut-down, since the next save would otherwise destroy it.
QString PayCardMainWindow::keepAside(const QString &fileName, const QDateTime &time)
{
    const QString kept = SettingsFile::keepUnreadable(fileName, time);
    if (!kept.isEmpty())
        return tr("\n\nПрежний файл настроек сохранен как:\n%1").arg(kept);
    filesLeftAlone.append(fileName);
    return tr("\n\nСкопировать прежний файл настроек не удалось, он останется без изменений:\n%1").arg(fileName);
}

// Reads one settings file, handing each saved device to `restore`. A file
// that cannot be opened is no error: the list simply stays empty. Returns
// true when the reading failed; the user has then been told, and the caller
// empties its list so that start-up makes fresh devices. A partner file
// whose devices are paired with this file's is kept aside with it, so the
// two can be recovered together.
bool PayCardMainWindow::loadSettingsFile(const QString &fileName, const SettingsFile::DeviceHandler &restore,
                                         const QString &partnerFileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString error;
    try {
        error = SettingsFile::read(&file, restore);
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    file.close();
    if (error.isEmpty()) {
        ui->cmbDevices->setCurrentIndex(0);
        return false;
    }
    QString text = tr("Ошибка загрузки настроек:\n%1\n\nЗагружены настройки по умолчанию").arg(error);
    const QDateTime now = QDateTime::currentDateTime();
    text += keepAside(fileName, now);
    if (!partnerFileName.isEmpty() && QFileInfo::exists(partnerFileName))
        text += keepAside(partnerFileName, now);
    showWarning(this, tr("Ошибка"), text);
    return true;
}

void PayCardMainWindow::loadPaycardSettings(const QString &fileName)
{
    const bool failed = loadSettingsFile(fileName, [this](const SettingsFile::Device &saved) {
        std::unique_ptr<QNebPaycard> wrapper;
        try {
            wrapper = paycardDevices->create();
        } catch (const std::exception &) {
        }
        const QString failure = restoreDevice(this, wrapper, saved.settings, [this](auto &w) {
            paycardDevices->discard(w);
        });
        if (!failure.isEmpty())
            return failure;
        QNebPaycard *device = wrapper.get();
        const int id = paycardDevices->add(std::move(wrapper));
        ui->cmbDevices->addItem(saved.name.isEmpty() ? deviceDescription(device->driverObject()) : saved.name, id);
        return QString();
    }, settingsDirectory() + QLatin1String(FptrFileName));
    if (failed) {
        paycardDevices->clear();
        ui->cmbDevices->clear();
    }
}

void PayCardMainWindow::loadFptrSettings(const QString &fileName)
{
    const bool failed = loadSettingsFile(fileName, [this](const SettingsFile::Device &saved) {
        // The saved name is only the register's description at the time; the
        // device describes itself anew.
        std::unique_ptr<QNebFptr> wrapper = fptrDevices->create(0);
        const QString failure = restoreDevice(this, wrapper, saved.settings, [this](auto &w) {
            fptrDevices->discard(0, w);
        });
        if (failure.isEmpty())
            fptrDevices->add(0, std::move(wrapper));
        return failure;
    });
    if (failed) {
        fptrDevices->clear();
        ui->lbCurrentEcrName->setText(QString());
    }
}

void PayCardMainWindow::savePaycardSettings(const QString &fileName)
{
    QVector<SettingsFile::Device> devices;
    for (int i = 0; i < ui->cmbDevices->count(); ++i) {
        try {
            QNebPaycard *device = paycardDevices->device(ui->cmbDevices->itemData(i).toInt());
            const QString settings = device->readString(&IPayCard::deviceSettings);
            if (!settings.isEmpty())
                devices.append({ui->cmbDevices->itemText(i), settings});
        } catch (const std::exception &) {
            // A device without a driver object has no settings to keep.
        }
    }
    saveSettingsFile(fileName, devices);
}

void PayCardMainWindow::saveFptrSettings(const QString &fileName)
{
    QVector<SettingsFile::Device> devices;
    if (fptrDevices && fptrDevices->isReady(0)) {
        for (int id : fptrDevices->ids()) {
            try {
                QNebFptr *device = fptrDevices->device(id);
                const QString settings = device->readString(&IFptr::deviceSettings);
                if (!settings.isEmpty())
                    devices.append({deviceDescription(device->driverObject()), settings});
            } catch (const std::exception &) {
            }
        }
    }
    saveSettingsFile(fileName, devices);
}

// A device the file cannot hold is left out alone, so that one bad settings
// string does not cost the others.
void PayCardMainWindow::saveSettingsFile(const QString &fileName, const QVector<SettingsFile::Device> &devices)
{
    QVector<SettingsFile::Device> writable;
    QStringList leftOut;
    for (const SettingsFile::Device &device : devices) {
        if (SettingsFile::isWritable(device))
            writable.append(device);
        else
            leftOut.append(device.name);
    }
    bool writeFailed = false;
    if (!SettingsFile::save(fileName, writable, &writeFailed) || writeFailed)
        showWarning(this, tr("Ошибка"), tr("Сохранить настройки не удалось"));
    else if (!leftOut.isEmpty())
        showWarning(this, tr("Ошибка"), tr("Не сохранены настройки устройств:\n%1").arg(leftOut.join(QLatin1Char('\n'))));
}
