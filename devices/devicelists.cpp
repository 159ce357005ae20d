#include "devicelists.h"

PaycardDeviceList::~PaycardDeviceList()
{
    clear();
}

int PaycardDeviceList::add(std::unique_ptr<QNebPaycard> wrapper)
{
    const void *object = wrapper ? wrapper->driverObject() : nullptr;
    const int id = insert(std::move(wrapper));
    DriverJournal::noteDevice(object, id);
    return id;
}

QNebPaycard *PaycardDeviceList::device(int id)
{
    return entry(id).get();
}

void PaycardDeviceList::remove(int id)
{
    const auto found = devices.find(resolve(id));
    if (found == devices.end())
        return;
    release(found->second);
    devices.erase(found);
}

void PaycardDeviceList::clear()
{
    // Runs in the destructor too, so it must not throw: a wrapper without a
    // driver object has nothing to release and is simply dropped.
    for (auto &device : devices)
        discard(device.second);
    devices.clear();
    currentId = -1;
    lastId = 0;
}

FptrDeviceList::~FptrDeviceList()
{
    clear();
}

int FptrDeviceList::add(int kind, std::unique_ptr<QNebFptr> wrapper)
{
    if (!wrapper)
        return -1;
    const void *object = wrapper->driverObject();
    const int id = insert(FptrDeviceEntry{std::move(wrapper), kind});
    DriverJournal::noteDevice(object, id);
    return id;
}

QNebFptr *FptrDeviceList::device(int id)
{
    return entry(id).wrapper.get();
}

void FptrDeviceList::remove(int id)
{
    const auto found = devices.find(resolve(id));
    if (found == devices.end())
        return;
    release(found->second.kind, found->second.wrapper);
    devices.erase(found);
}

void FptrDeviceList::clear()
{
    for (auto &device : devices)
        discard(device.second.kind, device.second.wrapper);
    devices.clear();
    currentId = -1;
    lastId = 0;
}
