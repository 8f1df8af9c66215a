#include "EventLoopWait.h"
#include "InputDeviceBackend.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <memory>
#include <unistd.h>

namespace
{

// A virtual USB remote made through uinput, with the front-row remote's identifiers.
class VirtualRemote
{
public:
    VirtualRemote()
    {
        libevdev* device = libevdev_new();
        libevdev_set_name(device, "kitchora test remote");
        libevdev_set_id_bustype(device, BUS_USB);
        libevdev_set_id_vendor(device, 1741);
        libevdev_set_id_product(device, 1056);
        libevdev_enable_event_type(device, EV_KEY);
        for (int code : { KEY_UP, KEY_DOWN, KEY_ENTER })
            libevdev_enable_event_code(device, EV_KEY, code, nullptr);
        libevdev_uinput_create_from_device(device, LIBEVDEV_UINPUT_OPEN_MANAGED, &m_uinput);
        libevdev_free(device);
    }
    ~VirtualRemote()
    {
        if (m_uinput)
            libevdev_uinput_destroy(m_uinput);
    }
    bool isValid() const { return m_uinput != nullptr; }
    QString devicePath() const { return QString::fromLocal8Bit(libevdev_uinput_get_devnode(m_uinput)); }
    void key(int code, int value)
    {
        libevdev_uinput_write_event(m_uinput, EV_KEY, code, value);
        libevdev_uinput_write_event(m_uinput, EV_SYN, SYN_REPORT, 0);
    }

private:
    libevdev_uinput* m_uinput = nullptr;
};

} // namespace

// The system backend on a real kernel device: found by its identifiers, seized so that a second
// taker is refused as held elsewhere, read through the event loop, and given back on close.
TEST(EvdevInputDeviceTest, FindsSeizesReadsAndReleasesAVirtualRemote)
{
    if (access("/dev/uinput", W_OK) != 0)
        GTEST_SKIP() << "/dev/uinput is not writable here: the kernel backend is tested only through "
                        "the device classes' fake event source";
    VirtualRemote remote;
    ASSERT_TRUE(remote.isValid());
    InputDeviceBackend& backend = InputDeviceBackend::shared();
    std::optional<InputDeviceService> service;
    ASSERT_TRUE(waitUntil([&] {
        service = backend.findDevice(InputDeviceMatching::vendorAndProduct(1741, 1056));
        return service && service->devicePath == remote.devicePath();
    }));

    if (access(service->devicePath.toLocal8Bit().constData(), R_OK) != 0)
        GTEST_SKIP() << "the virtual device's event node is not readable by this user";
    std::unique_ptr<InputDevice> device = backend.createDeviceInterface(*service);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->keyCodes().contains(KEY_ENTER));
    ASSERT_EQ(device->open(true), InputDevice::OpenResult::Success);
    std::unique_ptr<InputDevice> other = backend.createDeviceInterface(*service);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->open(true), InputDevice::OpenResult::ExclusiveAccess);

    QList<InputEvent> received;
    ASSERT_TRUE(device->startEvents([&](const QList<InputEvent>& events) { received.append(events); }));
    remote.key(KEY_UP, 1);
    remote.key(KEY_UP, 0);
    ASSERT_TRUE(waitUntil([&] { return received.count(InputEvent { EV_KEY, KEY_UP, 0 }) == 1; }));
    EXPECT_TRUE(received.contains(InputEvent { EV_KEY, KEY_UP, 1 }));

    device.reset();
    EXPECT_EQ(other->open(true), InputDevice::OpenResult::Success);
}
