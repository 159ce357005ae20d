#ifndef DEVICELISTS_H
#define DEVICELISTS_H

#include "driverfactories.h"

#include <QList>

#include <map>
#include <memory>

// Id bookkeeping both device lists share. Ids count from 1 and are never
// handed out twice while the list lives; -1 stands for the current device.
template <class Entry>
class DeviceIds
{
public:
    // Makes `id` current if it is present; anything else is ignored.
    void setCurrent(int id)
    {
        if (devices.count(id))
            currentId = id;
    }
    int current() const { return currentId; }
    int count() const { return int(devices.size()); }
    bool contains(int id) const { return devices.count(id) != 0; }
    // The present ids in ascending order.
    QList<int> ids() const
    {
        QList<int> result;
        for (const auto &device : devices)
            result.append(device.first);
        return result;
    }

protected:
    DeviceIds() = default;
    ~DeviceIds() = default;

    int insert(Entry entry)
    {
        devices.emplace(++lastId, std::move(entry));
        return lastId;
    }
    // Throws DeviceNotFoundException for an absent id, and for -1 without a
    // current device.
    Entry &entry(int id)
    {
        const auto found = devices.find(id == -1 ? currentId : id);
        if (found == devices.end())
            throw DeviceNotFoundException();
        return found->second;
    }
    int resolve(int id) const { return id == -1 ? currentId : id; }

    std::map<int, Entry> devices;
    int lastId = 0;
    int currentId = -1;
};

class PaycardDeviceList : public PaycardFactory, public DeviceIds<std::unique_ptr<QNebPaycard>>
{
public:
    PaycardDeviceList() = default;
    ~PaycardDeviceList() override;

    // Stores the wrapper under a new id and returns it.
    int add(std::unique_ptr<QNebPaycard> wrapper);
    QNebPaycard *device(int id = -1);
    // Releases the driver object and forgets the device. The current id is
    // left as it is, so the current device is gone until setCurrent.
    void remove(int id);
    void clear();
};

struct FptrDeviceEntry
{
    std::unique_ptr<QNebFptr> wrapper;
    int kind = 0; // the library that made the driver object and releases it
};

class FptrDeviceList : public FptrFactory, public DeviceIds<FptrDeviceEntry>
{
public:
    FptrDeviceList() = default;
    ~FptrDeviceList() override;

    // -1, and no id used up, when there is no wrapper.
    int add(int kind, std::unique_ptr<QNebFptr> wrapper);
    QNebFptr *device(int id = -1);
    void remove(int id);
    void clear();
};

#endif // DEVICELISTS_H
