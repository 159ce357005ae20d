#include "paycardmainwindow.h"

#include "devicelists.h"
#include "driverfactories.h"

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

} // namespace

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

QString PayCardMainWindow::ecrString(QNebFptr::StringGetter getter, QNebFptr *wrapper)
{
    return (wrapper ? wrapper : currentFptr())->readString(getter);
}

QString PayCardMainWindow::paycardString(QNebPaycard::StringGetter getter, QNebPaycard *wrapper)
{
    return (wrapper ? wrapper : currentPaycard())->readString(getter);
}

int PayCardMainWindow::paycardInt(QNebPaycard::IntGetter getter, QNebPaycard *wrapper)
{
    return (wrapper ? wrapper : currentPaycard())->readInt(getter);
}

QString PayCardMainWindow::paycardParameter(const QString &name, QNebPaycard *wrapper)
{
    return (wrapper ? wrapper : currentPaycard())->readParameter(name);
}

int PayCardMainWindow::setEcrInt(int (NEBAPI IFptr::*setter)(int), int value, QNebFptr *wrapper)
{
    return (wrapper ? wrapper : currentFptr())->invoke(setter, value);
}

int PayCardMainWindow::setPaycardInt(int (NEBAPI IPayCard::*setter)(int), int value, QNebPaycard *wrapper)
{
    return (wrapper ? wrapper : currentPaycard())->invoke(setter, value);
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
