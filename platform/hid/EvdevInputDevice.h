#pragma once

#include "InputDevice.h"

#include <QString>
#include <memory>

struct libevdev;
class QSocketNotifier;

// A kernel event device read through libevdev; seizing is the grab ioctl, and events are read
// when a socket notifier on the node says there are some.
class EvdevInputDevice : public InputDevice
{
public:
    // Null when the node cannot be opened or is no event device.
    static std::unique_ptr<EvdevInputDevice> openPath(const QString& devicePath);
    ~EvdevInputDevice() override;

    OpenResult open(bool seize) override;
    QList<int> keyCodes() const override;
    bool startEvents(EventHandler handler) override;
    void close() override;

private:
    EvdevInputDevice(int fd, libevdev* device);
    void readAvailable();
    void stopNotifier();

    int m_fd = -1;
    libevdev* m_device = nullptr;
    bool m_grabbed = false;
    QSocketNotifier* m_notifier = nullptr; // deleted later: it may be the one whose signal runs
    EventHandler m_handler;
};
