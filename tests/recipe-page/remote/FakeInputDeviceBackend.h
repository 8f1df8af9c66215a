#pragma once

#include "DistributedNotificationCenter.h"
#include "InputDeviceBackend.h"

#include <QDBusConnection>
#include <linux/input-event-codes.h>
#include <memory>

// The hardware behind a fake device: what it is, what it sends, who holds it, and the faults a
// test gives it. Shared by every interface opened on it, so it outlives them.
struct FakeRemoteHardware {
    InputDeviceProperties properties;
    QList<int> keyCodes;
    bool heldElsewhere = false; // another program seized it
    bool openFails = false;
    bool interfaceFails = false;
    bool eventsFail = false;

    // State the device leaves behind.
    int openInterfaces = 0;
    bool seized = false;
    InputDevice::EventHandler handler;

    // Sends one burst, as read at one wake-up.
    void send(const QList<InputEvent>& events)
    {
        if (const InputDevice::EventHandler h = handler)
            h(events);
    }
    // A key with the kernel's usual company: the scan code before, the report after.
    void key(int code, int value)
    {
        send({ { EV_MSC, MSC_SCAN, 0x1234 }, { EV_KEY, code, value }, { EV_SYN, SYN_REPORT, 0 } });
    }
};

class FakeInputDevice : public InputDevice
{
public:
    explicit FakeInputDevice(std::shared_ptr<FakeRemoteHardware> hardware)
        : m_hardware(std::move(hardware))
    {
        ++m_hardware->openInterfaces;
    }
    ~FakeInputDevice() override
    {
        close();
        --m_hardware->openInterfaces;
    }
    OpenResult open(bool seize) override
    {
        if (m_hardware->openFails)
            return OpenResult::Error;
        if (m_hardware->heldElsewhere || (seize && m_hardware->seized))
            return OpenResult::ExclusiveAccess;
        m_seized = seize;
        m_hardware->seized = seize;
        return OpenResult::Success;
    }
    QList<int> keyCodes() const override { return m_hardware->keyCodes; }
    bool startEvents(EventHandler handler) override
    {
        if (m_hardware->eventsFail)
            return false;
        m_hardware->handler = std::move(handler);
        m_started = true;
        return true;
    }
    void close() override
    {
        if (m_started)
            m_hardware->handler = nullptr;
        if (m_seized)
            m_hardware->seized = false;
        m_started = m_seized = false;
    }

private:
    std::shared_ptr<FakeRemoteHardware> m_hardware;
    bool m_seized = false;
    bool m_started = false;
};

// Takes the place of the system's devices while it lives; starts with none plugged in.
class FakeInputDeviceBackend : public InputDeviceBackend
{
public:
    FakeInputDeviceBackend() { InputDeviceBackend::setShared(this); }
    ~FakeInputDeviceBackend() override { InputDeviceBackend::setShared(nullptr); }

    std::shared_ptr<FakeRemoteHardware> plugIn(InputDeviceProperties properties, QList<int> keyCodes)
    {
        auto hardware = std::make_shared<FakeRemoteHardware>();
        hardware->properties = properties;
        hardware->keyCodes = std::move(keyCodes);
        m_hardware.append(hardware);
        return hardware;
    }
    std::shared_ptr<FakeRemoteHardware> plugInUsbRemote()
    {
        return plugIn({ 1741, 1056, false }, { KEY_UP, KEY_DOWN, KEY_ESC, KEY_ENTER, KEY_LEFT, KEY_RIGHT });
    }
    std::shared_ptr<FakeRemoteHardware> plugInInfraredReceiver()
    {
        return plugIn(
            { 0, 0, true }, { KEY_VOLUMEUP, KEY_VOLUMEDOWN, KEY_MENU, KEY_PLAYPAUSE, KEY_FORWARD, KEY_BACK });
    }

    std::optional<InputDeviceService> findDevice(const InputDeviceMatching& matching) override
    {
        for (qsizetype i = 0; i < m_hardware.size(); ++i)
            if (matching.matches(m_hardware.at(i)->properties))
                return InputDeviceService { QString::number(i), QStringLiteral("fake") };
        return std::nullopt;
    }
    std::unique_ptr<InputDevice> createDeviceInterface(const InputDeviceService& service) override
    {
        const auto hardware = m_hardware.value(service.devicePath.toInt());
        if (!hardware || hardware->interfaceFails)
            return nullptr;
        return std::make_unique<FakeInputDevice>(hardware);
    }

private:
    QList<std::shared_ptr<FakeRemoteHardware>> m_hardware;
};

// Puts `center` in place of the session bus's while it lives; by default one without a bus, so
// that no test talks to the user's desktop.
class ScopedNotificationCenter
{
public:
    ScopedNotificationCenter()
        : ScopedNotificationCenter(QDBusConnection(QStringLiteral("no bus")))
    {
    }
    explicit ScopedNotificationCenter(QDBusConnection connection)
        : m_center(std::move(connection))
    {
        DistributedNotificationCenter::setDefaultCenter(&m_center);
    }
    ~ScopedNotificationCenter() { DistributedNotificationCenter::setDefaultCenter(nullptr); }
    DistributedNotificationCenter& center() { return m_center; }

private:
    DistributedNotificationCenter m_center;
};

// What a delegate was told, as (identifier, pressed) pairs.
struct ButtonEvent {
    int identifier;
    bool pressedDown;
    bool operator==(const ButtonEvent&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const ButtonEvent& e)
{
    return out << "(" << e.identifier << (e.pressedDown ? ", down)" : ", up)");
}
