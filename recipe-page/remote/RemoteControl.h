#pragma once

#include <QString>
#include <functional>

class RemoteControl;

// Button identifiers: bit values, one per event.
namespace RemoteControlButton
{
constexpr int plus = 2;
constexpr int minus = 4;
constexpr int menu = 8;
constexpr int play = 16;
constexpr int right = 32;
constexpr int left = 64;
constexpr int playhold = 1024;
} // namespace RemoteControlButton

// Told of every button press and release: the identifier, whether pressed, and the device.
using RemoteControlDelegate
    = std::function<void(int identifier, bool pressedDown, RemoteControl* remoteControl)>;

// A remote control: a device that reports its buttons to a delegate, or several seen as one.
// The defaults here are those of a device that never listens.
class RemoteControl
{
public:
    static inline const QString RequestForRemoteControlNotification
        = QStringLiteral("mac.remotecontrols.RequestForRemoteControl");
    static inline const QString FinishedUsingRemoteControlNotification
        = QStringLiteral("mac.remotecontrols.FinishedUsingRemoteControl");

    explicit RemoteControl(RemoteControlDelegate delegate);
    virtual ~RemoteControl();
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

    const RemoteControlDelegate& delegate() const { return m_delegate; }

    virtual void setListeningToRemote(bool listening);
    virtual void startListening();
    virtual void stopListening();
    virtual void setOpenInExclusiveMode(bool exclusive);
    virtual bool isListeningToRemote() const { return false; }
    virtual bool isOpenInExclusiveMode() const { return true; }
    virtual bool sendsEventForButtonIdentifier(int identifier) const;
    // The device's name in the hand-over notifications; empty for none.
    virtual QString remoteControlDeviceName() const { return {}; }

    // Called after every change of isListeningToRemote (one observer).
    void setListeningToRemoteObserver(std::function<void()> observer)
    {
        m_listeningObserver = std::move(observer);
    }

    // Posts `name` to the other programs with this device's name and the program's identifier,
    // and the target program's identifier when one is given. False without a bus.
    static bool sendDistributedNotification(
        const QString& name, const QString& targetBundleIdentifier, const QString& deviceName);
    static bool sendRequestForRemoteControlNotification(const QString& deviceName);
    static bool sendFinishedNotifcationForAppIdentifier(
        const QString& targetBundleIdentifier, const QString& deviceName);
    // This program's identifier in those notifications.
    static QString mainBundleIdentifier();

protected:
    // Tells the observer that isListeningToRemote may have changed.
    void didChangeListeningToRemote();

private:
    RemoteControlDelegate m_delegate;
    std::function<void()> m_listeningObserver;
};
