#include "PreferencesDefaults.h"

#include "KitchoraController.h"
#include "MeasurementUnit.h"
#include "NotificationCenter.h"
#include "Theming.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

namespace PreferencesDefaults
{

void ensureDefaultMeasurementSystem()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (!defaults.objectForKey(KRDefaultMeasurementSystem).isValid())
        defaults.setInteger(
            qint64(UnitsEngine::defaultEngine().defaultMeasurementSystem()), KRDefaultMeasurementSystem);
}

qint64 defaultMeasurementSystem()
{
    return UserDefaults::standardUserDefaults().integerForKey(KRDefaultMeasurementSystem);
}

bool setDefaultMeasurementSystem(qint64 system, const void* sender)
{
    if (system != MeasurementUnit::SystemMetric && system != MeasurementUnit::SystemUS)
        return false;
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QVariant stored = defaults.objectForKey(KRDefaultMeasurementSystem);
    if (stored.isValid() && defaults.integerForKey(KRDefaultMeasurementSystem) == system)
        return false;
    defaults.setInteger(system, KRDefaultMeasurementSystem);
    NotificationCenter::defaultCenter().postNotificationName(KRDefaultMeasurementSystemDidChange, sender);
    return true;
}

void changeTheming(bool themed, const void* sender)
{
    UserDefaults::standardUserDefaults().setBool(themed, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged, sender);
}

void resetWarnings()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (const QString& key : { KRConfirmsRecipeDelete, KRConfirmsCollectionDelete,
             KRConfirmsGroceryListDelete, KRShowFullScreenDialog })
        defaults.setBool(true, key);
    defaults.synchronize();
}

} // namespace PreferencesDefaults
