// libudev's view of the i2c-dev subsystem, answered with the emulated
// buses: an enumeration that matches "i2c-dev" lists them, and the devices
// made from their paths answer the attributes a DDC/CI library asks for.
// Enumerations, devices and list entries of our own are told apart from
// libudev's by the sets below; everything else goes to libudev.

#include "emulator_instance.h"
#include "real_function.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace lumivex::emulator;

// libudev's handles, opaque here as they are to its callers.
extern "C" {
struct udev;
struct udev_enumerate;
struct udev_list_entry;
struct udev_device;
}

namespace {

constexpr const char* kLibudev = "libudev.so.1";
constexpr std::string_view kSyspathPrefix = "/sys/devices/lvx-emulated/i2c-dev/i2c-";

struct FakeEntry {
    std::string name;
    FakeEntry* next = nullptr;
};

struct FakeDevice {
    int bus = 0;
    std::string syspath, devpath, sysname, sysnum, devnode, name;
};

struct Fakes {
    std::mutex mutex;
    std::set<udev_enumerate*> matchingI2cDev;
    std::map<udev_enumerate*, std::vector<std::unique_ptr<FakeEntry>>> lists;
    std::set<const void*> entries;
    std::map<const void*, std::unique_ptr<FakeDevice>> devices;
};

Fakes& fakes()
{
    static Fakes* instance = new Fakes;  // never destroyed: libudev calls may come during exit
    return *instance;
}

FakeEntry* fakeEntry(udev_list_entry* entry)
{
    Fakes& f = fakes();
    std::lock_guard lock(f.mutex);
    return f.entries.contains(entry) ? reinterpret_cast<FakeEntry*>(entry) : nullptr;
}

FakeDevice* fakeDevice(udev_device* device)
{
    Fakes& f = fakes();
    std::lock_guard lock(f.mutex);
    const auto found = f.devices.find(device);
    return found == f.devices.end() ? nullptr : found->second.get();
}

udev_list_entry* listBuses(udev_enumerate* enumerate, EmulatorInstance& emulator)
{
    Fakes& f = fakes();
    std::lock_guard lock(f.mutex);
    auto& list = f.lists[enumerate];
    for (const auto& entry : list)
        f.entries.erase(entry.get());
    list.clear();
    for (EmulatedBus* bus : emulator.buses()) {
        list.push_back(std::make_unique<FakeEntry>());
        list.back()->name = std::string(kSyspathPrefix) + std::to_string(bus->config().number);
        f.entries.insert(list.back().get());
        if (list.size() > 1)
            list[list.size() - 2]->next = list.back().get();
    }
    return list.empty() ? nullptr : reinterpret_cast<udev_list_entry*>(list.front().get());
}

}  // namespace

extern "C" {

int udev_enumerate_add_match_subsystem(udev_enumerate* enumerate, const char* subsystem)
{
    if (EmulatorInstance* emulator = EmulatorInstance::get(); emulator && subsystem && std::strcmp(subsystem, "i2c-dev") == 0) {
        {
            std::lock_guard lock(emulator->mutex());
            emulator->checkLibraryVersion();
        }
        Fakes& f = fakes();
        std::lock_guard lock(f.mutex);
        f.matchingI2cDev.insert(enumerate);
    }
    return LUMIVEX_REAL(udev_enumerate_add_match_subsystem, kLibudev)(enumerate, subsystem);
}

udev_list_entry* udev_enumerate_get_list_entry(udev_enumerate* enumerate)
{
    bool ours = false;
    {
        Fakes& f = fakes();
        std::lock_guard lock(f.mutex);
        ours = f.matchingI2cDev.contains(enumerate);
    }
    if (EmulatorInstance* emulator = EmulatorInstance::get(); emulator && ours)
        return listBuses(enumerate, *emulator);
    return LUMIVEX_REAL(udev_enumerate_get_list_entry, kLibudev)(enumerate);
}

udev_enumerate* udev_enumerate_unref(udev_enumerate* enumerate)
{
    {
        Fakes& f = fakes();
        std::lock_guard lock(f.mutex);
        f.matchingI2cDev.erase(enumerate);
        if (const auto list = f.lists.find(enumerate); list != f.lists.end()) {
            for (const auto& entry : list->second)
                f.entries.erase(entry.get());
            f.lists.erase(list);
        }
    }
    return LUMIVEX_REAL(udev_enumerate_unref, kLibudev)(enumerate);
}

udev_list_entry* udev_list_entry_get_next(udev_list_entry* entry)
{
    if (FakeEntry* fake = fakeEntry(entry))
        return reinterpret_cast<udev_list_entry*>(fake->next);
    return LUMIVEX_REAL(udev_list_entry_get_next, kLibudev)(entry);
}

const char* udev_list_entry_get_name(udev_list_entry* entry)
{
    if (FakeEntry* fake = fakeEntry(entry))
        return fake->name.c_str();
    return LUMIVEX_REAL(udev_list_entry_get_name, kLibudev)(entry);
}

const char* udev_list_entry_get_value(udev_list_entry* entry)
{
    if (fakeEntry(entry))
        return nullptr;
    return LUMIVEX_REAL(udev_list_entry_get_value, kLibudev)(entry);
}

udev_device* udev_device_new_from_syspath(udev* context, const char* syspath)
{
    const std::string_view path = syspath ? syspath : "";
    EmulatorInstance* emulator = path.starts_with(kSyspathPrefix) ? EmulatorInstance::get() : nullptr;
    const auto number = emulator ? busNumberOfDevice(path) : std::nullopt;
    if (!number || !emulator->bus(*number))
        return LUMIVEX_REAL(udev_device_new_from_syspath, kLibudev)(context, syspath);
    auto device = std::make_unique<FakeDevice>();
    const std::string sysname = "i2c-" + std::to_string(*number);
    *device = {*number, std::string(path), std::string(path.substr(4)), sysname, std::to_string(*number),
               "/dev/" + sysname, "LVX emulated i2c bus " + std::to_string(*number)};
    auto* handle = reinterpret_cast<udev_device*>(device.get());
    Fakes& f = fakes();
    std::lock_guard lock(f.mutex);
    f.devices[handle] = std::move(device);
    return handle;
}

udev_device* udev_device_unref(udev_device* device)
{
    {
        Fakes& f = fakes();
        std::lock_guard lock(f.mutex);
        if (f.devices.erase(device) > 0)
            return nullptr;
    }
    return LUMIVEX_REAL(udev_device_unref, kLibudev)(device);
}

#define LUMIVEX_FAKE_DEVICE_TEXT(function, answer) \
    const char* function(udev_device* device) \
    { \
        if (FakeDevice* fake = fakeDevice(device)) \
            return answer; \
        return LUMIVEX_REAL(function, kLibudev)(device); \
    }

LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_devnode, fake->devnode.c_str())
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_devpath, fake->devpath.c_str())
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_devtype, (void(fake), nullptr))
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_subsystem, (void(fake), "i2c-dev"))
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_sysname, fake->sysname.c_str())
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_sysnum, fake->sysnum.c_str())
LUMIVEX_FAKE_DEVICE_TEXT(udev_device_get_syspath, fake->syspath.c_str())

const char* udev_device_get_sysattr_value(udev_device* device, const char* attribute)
{
    if (FakeDevice* fake = fakeDevice(device))
        return attribute && std::strcmp(attribute, "name") == 0 ? fake->name.c_str() : nullptr;
    return LUMIVEX_REAL(udev_device_get_sysattr_value, kLibudev)(device, attribute);
}

const char* udev_device_get_property_value(udev_device* device, const char* key)
{
    if (fakeDevice(device))
        return nullptr;
    return LUMIVEX_REAL(udev_device_get_property_value, kLibudev)(device, key);
}

udev_list_entry* udev_device_get_properties_list_entry(udev_device* device)
{
    if (fakeDevice(device))
        return nullptr;
    return LUMIVEX_REAL(udev_device_get_properties_list_entry, kLibudev)(device);
}

udev_list_entry* udev_device_get_sysattr_list_entry(udev_device* device)
{
    if (fakeDevice(device))
        return nullptr;
    return LUMIVEX_REAL(udev_device_get_sysattr_list_entry, kLibudev)(device);
}

udev_device* udev_device_get_parent_with_subsystem_devtype(udev_device* device, const char* subsystem,
                                                           const char* devtype)
{
    if (fakeDevice(device))
        return nullptr;
    return LUMIVEX_REAL(udev_device_get_parent_with_subsystem_devtype, kLibudev)(device, subsystem, devtype);
}

}  // extern "C"
