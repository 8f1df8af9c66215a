#include "InputDeviceBackend.h"

#include "EvdevInputDeviceBackend.h"

namespace
{
InputDeviceBackend* g_replacement = nullptr;
}

InputDeviceBackend& InputDeviceBackend::shared()
{
    static EvdevInputDeviceBackend system;
    return g_replacement ? *g_replacement : system;
}

void InputDeviceBackend::setShared(InputDeviceBackend* backend)
{
    g_replacement = backend;
}
