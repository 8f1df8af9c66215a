#pragma once

#include "DistributedNotificationCenter.h"
#include "InputDevice.h"
#include "InputDeviceBackend.h"
#include "RemoteControl.h"

#include <QList>
#include <QMap>
#include <memory>
#include <optional>

// One element event of a remote: the element's cookie and its value.
struct HIDElementEvent {
    int cookie = 0;
    int value = 0;
};

// A remote control read as an input device. Each burst of element events becomes a cookie string
// (each cookie followed by "_"), which the device's table turns into a button identifier. The
// device may seize the remote; when another program holds it, the device asks for it and starts
// by itself once the holder announces that it is done.
//
// The kernel reports keys, not the remote's elements: each device class says which key is which
// button, and a key event becomes the element events of that button's table entry, so every burst
// passes through the same cookie logic.
class HIDRemoteControlDevice : public RemoteControl
{
public:
    static inline const QString FixSecureEventInputBugDefaultsKey
        = QStringLiteral("remoteControlWrapperFixSecureEventInputBug");

    ~HIDRemoteControlDevice() override;

    // The first device that answers `matching`, or none.
    static std::optional<InputDeviceService> findRemoteDevice(const InputDeviceMatching& matching);
    static bool isRemoteAvailable(const InputDeviceMatching& matching);

    bool sendsEventForButtonIdentifier(int identifier) const override;
    bool isListeningToRemote() const override;
    void setListeningToRemote(bool listening) override;
    void startListening() override;
    void stopListening() override;
    bool isOpenInExclusiveMode() const override { return m_openInExclusiveMode; }
    void setOpenInExclusiveMode(bool exclusive) override { m_openInExclusiveMode = exclusive; }
    QString remoteControlDeviceName() const override { return {}; }

    bool processesBacklog() const { return m_processesBacklog; }
    void setProcessesBacklog(bool processes) { m_processesBacklog = processes; }
    bool fixSecureEventInputBug() const { return m_fixSecureEventInputBug; }
    virtual int remoteIdSwitchCookie() const { return 0; }
    unsigned supportedButtonEvents() const { return m_supportedButtonEvents; }
    const QMap<QString, int>& cookieToButtonMapping() const { return m_cookieToButtonMapping; }
    // Whether the device waits for another program to hand the remote over.
    bool isWaitingForRemote() const { return m_finishedCenter != nullptr; }

    // One burst read from the device, in the kernel's terms.
    void handleInputEvents(const QList<InputEvent>& events);
    // One burst of element events: cookie 5 is left out of the string and the sum.
    void handleElementEvents(const QList<HIDElementEvent>& events);
    void handleEventWithCookieString(const QString& cookieString, int sumOfValues);
    virtual void sendRemoteButtonEvent(int identifier, bool pressedDown);

    // The mapping key with which `cookieString` begins, or empty.
    QString validCookieSubstring(const QString& cookieString) const;

protected:
    HIDRemoteControlDevice(RemoteControlDelegate delegate, InputDeviceMatching matching);

    // Fills the mapping and the supported events; call once, from the maker of the device.
    void setUp();
    // Cookie string -> button identifier; this class adds nothing.
    virtual void setCookieMappingInDictionary(QMap<QString, int>& mapping);
    // Kernel key code -> button identifier; this class maps nothing.
    virtual QMap<int, int> keyCodeToButtonMapping() const { return {}; }
    // The element events that one kernel event stands for: a key of the mapping becomes the
    // cookies of its button's table entry, each with the key's value (so a press sums above 0, a
    // release to 0); auto-repeats and other events stand for nothing.
    virtual QList<HIDElementEvent> elementEventsForInputEvent(const InputEvent& event) const;

    // A device of class T, or null when its remote is absent.
    template <typename T> static std::unique_ptr<T> makeDevice(RemoteControlDelegate delegate)
    {
        if (!isRemoteAvailable(T::deviceMatching()))
            return nullptr;
        std::unique_ptr<T> device(new T(std::move(delegate)));
        device->setUp();
        return device;
    }

private:
    enum class OpenOutcome { Opened, Waiting, Failed };
    bool initializeCookies();
    OpenOutcome openDevice();
    void remoteControlAvailable();
    void removeFinishedObserver();
    // Gives back everything taken: events, cookies, the device.
    void releaseDevice();

    InputDeviceMatching m_matching;
    std::unique_ptr<InputDevice> m_hidDeviceInterface;
    std::optional<QList<int>> m_allCookies;
    bool m_queue = false; // events are delivered
    QMap<QString, int> m_cookieToButtonMapping;
    bool m_openInExclusiveMode = true;
    bool m_processesBacklog = false;
    bool m_fixSecureEventInputBug = false;
    unsigned m_supportedButtonEvents = 0;
    // Set while waiting for the holder of the remote to finish with it.
    DistributedNotificationCenter* m_finishedCenter = nullptr;
    DistributedNotificationCenter::Token m_finishedObserver = 0;
};
