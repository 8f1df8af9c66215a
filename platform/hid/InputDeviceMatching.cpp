#include "InputDeviceMatching.h"

bool InputDeviceMatching::matches(const InputDeviceProperties& device) const
{
    if (infraredReceiver)
        return device.infraredReceiver;
    if (isEmpty())
        return false;
    return device.vendorID == vendorID && device.productID == productID;
}

namespace InputDeviceIdentifiers
{

int numberFromSysfsText(const QString& text)
{
    bool ok = false;
    const uint number = text.trimmed().toUInt(&ok, 16);
    return ok && number <= 0xFFFF ? int(number) : 0;
}

} // namespace InputDeviceIdentifiers
