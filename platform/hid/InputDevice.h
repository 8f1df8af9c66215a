#pragma once

#include <QList>
#include <functional>

// One event as the kernel's input layer reports it (type, code and value of `struct input_event`:
// for a key, value 1 is a press, 0 a release, 2 an auto-repeat).
struct InputEvent {
    int type = 0;
    int code = 0;
    int value = 0;

    bool operator==(const InputEvent&) const = default;
};

// An input device opened for reading. Events arrive on the event loop of the thread that started
// them, in batches: everything that could be read at one wake-up.
class InputDevice
{
public:
    enum class OpenResult {
        Success,
        ExclusiveAccess, // another program holds the device seized
        Error,
    };
    using EventHandler = std::function<void(const QList<InputEvent>& events)>;

    virtual ~InputDevice() = default;

    // Takes the device; with `seize`, no other program (nor the desktop) sees its events until it
    // is closed.
    virtual OpenResult open(bool seize) = 0;
    // The key codes the device can send.
    virtual QList<int> keyCodes() const = 0;
    // Starts delivering events to `handler`; false when the device cannot be watched. The handler
    // may destroy the device.
    virtual bool startEvents(EventHandler handler) = 0;
    // Stops the events and gives the device back (a seize ends). Also done on destruction.
    virtual void close() = 0;
};
