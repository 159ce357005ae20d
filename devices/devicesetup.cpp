#include "paycardmainwindow.h"

#include "devicelists.h"
#include "driverfactories.h"

#include <QCoreApplication>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

template <class Wrapper>
int setUp(Wrapper *wrapper, QWidget *owner)
{
    if (!wrapper || !wrapper->driverObject())
        throw DeviceNotFoundException();
    // The driver parents its own dialogs to the window; its answer does not
    // matter, an older driver may not support owners at all.
    wrapper->call(&Wrapper::Interface::setOwnerWindow, owner);
    wrapper->writeParameter(QStringLiteral("SearchDir"), applicationDirectory());
    return wrapper->invoke(&Wrapper::Interface::applySettings);
}

template <class Wrapper, class Discard>
std::unique_ptr<Wrapper> prepare(PayCardMainWindow *window, std::unique_ptr<Wrapper> wrapper, const QString &noObject,
                                 const QString *settings, QString *driverReason, Discard discard)
{
    if (!wrapper) {
        if (noObject.isEmpty())
            return wrapper;
        throw Exception(noObject);
    }
    try {
        if (settings)
            wrapper->writeString(&Wrapper::Interface::setDeviceSettings, *settings);
        window->setUpDevice(wrapper.get());
    } catch (const Exception &) {
        // Asked while the driver object is still there to answer.
        if (driverReason && wrapper->driverObject()) {
            *driverReason = QCoreApplication::translate("QObject", "[%1] %2")
                                .arg(wrapper->readInt(&Wrapper::Interface::resultCode))
                                .arg(wrapper->readString(&Wrapper::Interface::resultDescription));
        }
        discard(wrapper);
        throw;
    } catch (...) {
        discard(wrapper);
        throw;
    }
    return wrapper;
}

} // namespace

std::unique_ptr<QNebPaycard> PayCardMainWindow::prepareDevice(PaycardDeviceList *devices,
                                                              std::unique_ptr<QNebPaycard> wrapper,
                                                              const QString &noObject, const QString *settings,
                                                              QString *driverReason)
{
    return prepare(this, std::move(wrapper), noObject, settings, driverReason,
                   [devices](std::unique_ptr<QNebPaycard> &failed) { devices->discard(failed); });
}

std::unique_ptr<QNebFptr> PayCardMainWindow::prepareDevice(FptrDeviceList *devices, std::unique_ptr<QNebFptr> wrapper,
                                                           const QString &noObject, const QString *settings,
                                                           QString *driverReason)
{
    return prepare(this, std::move(wrapper), noObject, settings, driverReason,
                   [devices](std::unique_ptr<QNebFptr> &failed) { devices->discard(0, failed); });
}

int PayCardMainWindow::setUpDevice(QNebPaycard *wrapper)
{
    return setUp(wrapper, this);
}

int PayCardMainWindow::setUpDevice(QNebFptr *wrapper)
{
    return setUp(wrapper, this);
}

QString PayCardMainWindow::deviceCaption(QNebPaycard *wrapper)
{
    if (!wrapper || !wrapper->driverObject())
        throw DeviceNotFoundException();
    return readParameterValueLabel(wrapper->driverObject(), L"Protocol");
}

QString PayCardMainWindow::paycardString(QNebPaycard::StringGetter getter)
{
    return currentPaycard()->readString(getter);
}

int PayCardMainWindow::paycardInt(QNebPaycard::IntGetter getter)
{
    return currentPaycard()->readInt(getter);
}

QString PayCardMainWindow::paycardParameter(const QString &name)
{
    return currentPaycard()->readParameter(name);
}

int PayCardMainWindow::setEcrInt(int (NEBAPI IFptr::*setter)(int), int value)
{
    return currentFptr()->invoke(setter, value);
}

int PayCardMainWindow::setPaycardInt(int (NEBAPI IPayCard::*setter)(int), int value)
{
    return currentPaycard()->invoke(setter, value);
}

QNebPaycard *PayCardMainWindow::currentPaycard() const
{
    if (!paycardDevices)
        throw DeviceNotFoundException();
    return paycardDevices->device(-1);
}

QNebFptr *PayCardMainWindow::currentFptr() const
{
    if (!fptrDevices)
        throw DeviceNotFoundException();
    return fptrDevices->device(-1);
}

bool PayCardMainWindow::fptrReady() const
{
    return fptrDevices && fptrDevices->isReady(0);
}
