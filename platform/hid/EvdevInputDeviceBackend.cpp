#include "EvdevInputDeviceBackend.h"

#include "EvdevInputDevice.h"

#include <libudev.h>

namespace
{

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

QString sysattr(udev_device* device, const char* name)
{
    const char* value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value ? QString::fromLatin1(value) : QString();
}

InputDeviceProperties propertiesOf(udev_device* eventDevice)
{
    InputDeviceProperties properties;
    // The event node's parent is the input device that carries the bus identifiers; parents are
    // owned by the child, not unreferenced here.
    udev_device* input = udev_device_get_parent_with_subsystem_devtype(eventDevice, "input", nullptr);
    properties.vendorID = InputDeviceIdentifiers::numberFromSysfsText(sysattr(input, "id/vendor"));
    properties.productID = InputDeviceIdentifiers::numberFromSysfsText(sysattr(input, "id/product"));
    properties.infraredReceiver
        = udev_device_get_parent_with_subsystem_devtype(eventDevice, "rc", nullptr) != nullptr;
    return properties;
}

} // namespace

std::optional<InputDeviceService> EvdevInputDeviceBackend::findDevice(const InputDeviceMatching& matching)
{
    if (matching.isEmpty())
        return std::nullopt;
    UdevPtr<udev> context(udev_new());
    if (!context)
        return std::nullopt;
    UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "input") < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0)
        return std::nullopt;

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device)
            continue;
        const char* node = udev_device_get_devnode(device.get());
        const char* sysname = udev_device_get_sysname(device.get());
        if (!node || !sysname || !QByteArray(sysname).startsWith("event"))
            continue;
        if (!matching.matches(propertiesOf(device.get())))
            continue;
        udev_device* input = udev_device_get_parent_with_subsystem_devtype(device.get(), "input", nullptr);
        return InputDeviceService { QString::fromLocal8Bit(node), sysattr(input, "name") };
    }
    return std::nullopt;
}

std::unique_ptr<InputDevice> EvdevInputDeviceBackend::createDeviceInterface(const InputDeviceService& service)
{
    return EvdevInputDevice::openPath(service.devicePath);
}
