#pragma once

#include "InputDeviceBackend.h"

// The kernel's event devices: found by walking udev's "input" devices, opened through libevdev.
class EvdevInputDeviceBackend : public InputDeviceBackend
{
public:
    std::optional<InputDeviceService> findDevice(const InputDeviceMatching& matching) override;
    std::unique_ptr<InputDevice> createDeviceInterface(const InputDeviceService& service) override;
};
