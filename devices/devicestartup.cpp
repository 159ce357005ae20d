#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "devicelists.h"
#include "devicetexts.h"
#include "dialogs.h"
#include "paycardlibrary.h"
#include "settingsfile.h"
#include "settingsfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

const char PaycardFileName[] = "paycard.cfg";
const char FptrFileName[] = "paycard_fptr.cfg";

// The load error of a device whose library made no driver object.
QString noDriverObject()
{
    return PayCardMainWindow::tr("Не удалось создать объект драйвера");
}

// Whether a device still has the settings it was loaded with. One not used
// since its set-up at start-up cannot have changed them and is not asked;
// the others are read back. Empty settings are never kept, so a device
// loaded with none counts as changed, like one whose settings read fails.
template <class Wrapper>
bool settingsAsLoaded(Wrapper *device, const QString &loadedSettings)
{
    if (loadedSettings.isEmpty())
        return false;
    return !device->mayHaveChangedSettings()
           || device->readString(&Wrapper::Interface::deviceSettings) == loadedSettings;
}

} // namespace

void PayCardMainWindow::startDevices()
{
    // Nothing may escape the constructor: each step reports its own failure
    // and start-up goes on with whatever devices it has.
    try {
        // Without its library no saved device can be made, and the file is
        // neither read nor, at shut-down, replaced by a list without them.
        loaded = LoadedDevices{true, {}, {}};
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
        bool fptrFileRead = false;
        if (paycardDevices->isReady())
            fptrFileRead = loadFptrSettings(settingsDirectory() + QLatin1String(FptrFileName));
        else
            filesLeftAlone.append(settingsDirectory() + QLatin1String(FptrFileName));
        try {
            pairFptrDevices(fptrFileRead);
        } catch (const std::exception &e) {
            showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
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
    loaded.known = false;
    {
        // The page is refreshed once both lists are in step, not before.
        const QSignalBlocker blocker(ui->cmbDevices);
        loadPaycardSettings(paycardFile);
    }
    if (fptrReady()) {
        const QString fptrFile = settingsDirectory() + QLatin1String(FptrFileName);
        bool fptrFileRead = false;
        if (filesLeftAlone.removeAll(fptrFile) && fptrDevices->count() == 0)
            fptrFileRead = loadFptrSettings(fptrFile);
        pairFptrDevices(fptrFileRead);
    }
    on_cmbDevices_currentIndexChanged(ui->cmbDevices->currentIndex());
}

void PayCardMainWindow::createDefaultDevice()
{
    loaded.known = false;
    try {
        std::unique_ptr<QNebPaycard> wrapper = prepareDevice(paycardDevices.get(), paycardDevices->create(),
                                                             tr("Не удалось создать устройство по умолчанию"));
        QNebPaycard *device = wrapper.get();
        const int id = paycardDevices->add(std::move(wrapper));
        paycardDevices->setCurrent(id);
        ui->cmbDevices->addItem(deviceCaption(device), id);
        ui->cmbDevices->setCurrentIndex(ui->cmbDevices->count() - 1);
    } catch (const std::exception &e) {
        showCritical(this, tr("Ошибка"), QString::fromUtf8(e.what()));
    }
}

// Registers pair with terminals by position, so lists of different lengths
// are paired anew with fresh registers. A shut-down cut short between the
// two files leaves them so; the saved registers are copied aside first and
// the user is told, instead of losing them without a word.
void PayCardMainWindow::pairFptrDevices(bool fptrFileRead)
{
    if (fptrDevices->count() == paycardDevices->count())
        return;
    const QString fptrFile = settingsDirectory() + QLatin1String(FptrFileName);
    // A file without registers (a driver whose settings are empty is not
    // saved) has nothing to lose.
    if (fptrFileRead && fptrDevices->count() > 0 && !filesKeptAside.contains(fptrFile)) {
        showWarning(this, tr("Ошибка"),
                    tr("В файле настроек ККТ устройств: %1, платежных систем: %2.\n\n"
                       "Настройки ККТ сброшены по умолчанию")
                            .arg(fptrDevices->count())
                            .arg(paycardDevices->count())
                        + keepAside(fptrFile, QDateTime::currentDateTime()));
    }
    rebuildFptrDevices();
}

// Gives every terminal a fresh register with the same id. The new list is
// built, and so loads its libraries, before the old one goes.
void PayCardMainWindow::rebuildFptrDevices()
{
    loaded.known = false;
    fptrDevices = std::make_unique<FptrDeviceList>();
    for (int i = 0, count = paycardDevices->count(); i < count; ++i) {
        std::unique_ptr<QNebFptr> wrapper =
            prepareDevice(fptrDevices.get(), fptrDevices->create(0), DeviceNotFoundException().message());
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
        QVector<SettingsFile::File> files;
        QStringList leftOut;
        QSet<int> unsavedIds;
        const bool savePaycard = paycardDevices && !filesLeftAlone.contains(paycardFile);
        const bool saveFptr = fptrDevices && !filesLeftAlone.contains(fptrFile);
        // Both files still hold what would be written: they are left as they
        // are, which spares the disk and never risks them. The registers are
        // compared by their settings alone, so that none has to describe
        // itself; any difference writes both, as the pair is saved together.
        const bool unchanged = loaded.known && (!savePaycard || terminalsAsLoaded())
                               && (!saveFptr || registersAsLoaded());
        if (savePaycard && !unchanged)
            files.append({paycardFile, savedPaycardDevices(&leftOut, &unsavedIds)});
        if (saveFptr && !unchanged)
            files.append({fptrFile, savedFptrDevices(unsavedIds, &leftOut)});
        if (!files.isEmpty() && !SettingsFile::save(files))
            showWarning(this, tr("Ошибка"), tr("Сохранить настройки не удалось"));
        else if (!leftOut.isEmpty())
            showWarning(this, tr("Ошибка"), tr("Не сохранены настройки устройств:\n%1").arg(leftOut.join(QLatin1Char('\n'))));
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
    loaded.known = false;
    const QString kept = SettingsFile::keepUnreadable(fileName, time);
    filesKeptAside.append(fileName);
    if (!kept.isEmpty())
        return tr("\n\nПрежний файл настроек сохранен как:\n%1").arg(kept);
    filesLeftAlone.append(fileName);
    return tr("\n\nСкопировать прежний файл настроек не удалось, он останется без изменений:\n%1").arg(fileName);
}

// Reads one settings file, handing each saved device to `restore`. A missing
// file is no error: the list simply stays empty. Returns false when the
// reading failed; the user has then been told, and the caller empties its
// list so that start-up makes fresh devices. A partner file whose devices
// are paired with this file's is kept aside with it, so the two can be
// recovered together. A file read whole but with elements passed over is
// copied aside too, since the next save drops them.
bool PayCardMainWindow::loadSettingsFile(const QString &fileName, const SettingsFile::DeviceHandler &restore,
                                         const QString &partnerFileName)
{
    const QFileInfo info(fileName);
    if (!info.exists() && !info.isSymLink())
        return true;
    QString error;
    int skipped = 0;
    QFile file(fileName);
    // A folder, a pipe or a device under the file's name is neither read,
    // which might never end, nor replaced at shut-down.
    if (!info.isFile()) {
        error = tr("Это не обычный файл: %1").arg(fileName);
        filesLeftAlone.append(fileName);
    } else if (!file.open(QIODevice::ReadOnly)) {
        error = tr("Файл не открывается: %1\n%2").arg(fileName, file.errorString());
    } else {
        try {
            error = SettingsFile::read(&file, restore, &skipped);
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        }
        file.close();
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (error.isEmpty()) {
        ui->cmbDevices->setCurrentIndex(0);
        if (skipped > 0) {
            showWarning(this, tr("Ошибка"),
                        tr("В файле настроек пропущено элементов, которые не удалось прочитать: %1")
                                .arg(skipped)
                            + keepAside(fileName, now));
        }
        return true;
    }
    QString text = tr("Ошибка загрузки настроек:\n%1\n\nЗагружены настройки по умолчанию").arg(error);
    if (!filesLeftAlone.contains(fileName))
        text += keepAside(fileName, now);
    if (!partnerFileName.isEmpty() && QFileInfo::exists(partnerFileName))
        text += keepAside(partnerFileName, now);
    showWarning(this, tr("Ошибка"), text);
    return false;
}

void PayCardMainWindow::loadPaycardSettings(const QString &fileName)
{
    const bool read = loadSettingsFile(fileName, [this](const SettingsFile::Device &saved) {
        std::unique_ptr<QNebPaycard> wrapper;
        try {
            wrapper = paycardDevices->create();
        } catch (const std::exception &) {
        }
        QString reason;
        try {
            wrapper = prepareDevice(paycardDevices.get(), std::move(wrapper), noDriverObject(), &saved.settings,
                                    &reason);
        } catch (const Exception &failure) {
            return reason.isEmpty() ? failure.message() : reason;
        }
        QNebPaycard *device = wrapper.get();
        device->settle();
        const int id = paycardDevices->add(std::move(wrapper));
        ui->cmbDevices->addItem(saved.name.isEmpty() ? deviceDescription(device->driverObject()) : saved.name, id);
        loaded.terminals.append(saved);
        return QString();
    }, settingsDirectory() + QLatin1String(FptrFileName));
    if (!read) {
        paycardDevices->clear();
        ui->cmbDevices->clear();
        loaded.known = false;
    }
}

bool PayCardMainWindow::loadFptrSettings(const QString &fileName)
{
    const bool read = loadSettingsFile(fileName, [this](const SettingsFile::Device &saved) {
        // The saved name is only the register's description at the time; the
        // device describes itself anew.
        loaded.registers.append(saved.settings);
        QString reason;
        try {
            std::unique_ptr<QNebFptr> wrapper = prepareDevice(fptrDevices.get(), fptrDevices->create(0),
                                                              noDriverObject(), &saved.settings, &reason);
            if (wrapper)
                wrapper->settle();
            fptrDevices->add(0, std::move(wrapper));
        } catch (const Exception &failure) {
            return reason.isEmpty() ? failure.message() : reason;
        }
        return QString();
    });
    if (!read) {
        loaded.known = false;
        fptrDevices->clear();
        ui->lbCurrentEcrName->setText(QString());
    }
    return read && QFileInfo::exists(fileName);
}

// The terminals to save, in the order of the device list. A terminal the
// file cannot hold is left out alone and named in `leftOut`, so that one bad
// settings string does not cost the others; `unsavedIds` gets the ids of all
// terminals left out, whose registers are then left out with them to keep
// the two files paired.
QVector<SettingsFile::Device> PayCardMainWindow::savedPaycardDevices(QStringList *leftOut, QSet<int> *unsavedIds)
{
    QVector<SettingsFile::Device> devices;
    for (int i = 0; i < ui->cmbDevices->count(); ++i) {
        const int id = ui->cmbDevices->itemData(i).toInt();
        QString settings;
        try {
            settings = paycardDevices->device(id)->readString(&IPayCard::deviceSettings);
        } catch (const std::exception &) {
            // A device without a driver object has no settings to keep.
        }
        const SettingsFile::Device device{ui->cmbDevices->itemText(i), settings};
        // A device as it was read from the file passed the same check then.
        const bool asRead = i < loaded.terminals.size() && device.name == loaded.terminals.at(i).name
                            && settings == loaded.terminals.at(i).settings;
        if (settings.isEmpty() || (!asRead && !SettingsFile::isWritable(device))) {
            if (!settings.isEmpty())
                leftOut->append(device.name);
            unsavedIds->insert(id);
            continue;
        }
        devices.append(device);
    }
    return devices;
}

QVector<SettingsFile::Device> PayCardMainWindow::savedFptrDevices(const QSet<int> &unsavedIds, QStringList *leftOut)
{
    QVector<SettingsFile::Device> devices;
    if (!fptrDevices->isReady(0))
        return devices;
    for (int id : fptrDevices->ids()) {
        if (unsavedIds.contains(id))
            continue;
        try {
            QNebFptr *device = fptrDevices->device(id);
            const QString settings = device->readString(&IFptr::deviceSettings);
            const SettingsFile::Device saved{deviceDescription(device->driverObject()), settings};
            if (settings.isEmpty())
                continue;
            if (SettingsFile::isWritable(saved))
                devices.append(saved);
            else
                leftOut->append(saved.name);
        } catch (const std::exception &) {
        }
    }
    return devices;
}

// Whether the device list holds the terminals the file held, in the same
// order, under the same names and with the same settings: what the file
// would be written with again.
bool PayCardMainWindow::terminalsAsLoaded()
{
    const int count = ui->cmbDevices->count();
    if (count != loaded.terminals.size())
        return false;
    try {
        for (int i = 0; i < count; ++i) {
            const SettingsFile::Device &saved = loaded.terminals.at(i);
            if (ui->cmbDevices->itemText(i) != saved.name
                || !settingsAsLoaded(paycardDevices->device(ui->cmbDevices->itemData(i).toInt()), saved.settings))
                return false;
        }
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

// Whether every register still has the settings it was loaded with, in the
// same order; a register whose settings cannot be read counts as changed.
bool PayCardMainWindow::registersAsLoaded()
{
    if (!fptrDevices->isReady(0))
        return false;
    const QList<int> ids = fptrDevices->ids();
    if (ids.size() != loaded.registers.size())
        return false;
    try {
        for (int i = 0; i < ids.size(); ++i) {
            if (!settingsAsLoaded(fptrDevices->device(ids.at(i)), loaded.registers.at(i)))
                return false;
        }
    } catch (const std::exception &) {
        return false;
    }
    return true;
}
