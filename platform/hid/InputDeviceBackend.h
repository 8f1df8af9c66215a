#pragma once

#include "InputDevice.h"
#include "InputDeviceMatching.h"

#include <QString>
#include <memory>
#include <optional>

// A device found on the system, not yet opened.
struct InputDeviceService {
    QString devicePath; // the event node, e.g. /dev/input/event5
    QString name;
};

// The way to the system's input devices: finds them and opens them for reading. The shared one
// works on the kernel's event devices; tests put a double in its place.
class InputDeviceBackend
{
public:
    virtual ~InputDeviceBackend() = default;

    // The first device that answers `matching`, or none.
    virtual std::optional<InputDeviceService> findDevice(const InputDeviceMatching& matching) = 0;
    // The device opened for reading, not yet taken; null when it cannot be opened.
    virtual std::unique_ptr<InputDevice> createDeviceInterface(const InputDeviceService& service) = 0;

    static InputDeviceBackend& shared();
    // Puts `backend` (not owned) in place of the shared one; nullptr restores the system's.
    static void setShared(InputDeviceBackend* backend);
};
