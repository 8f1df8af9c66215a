#include "PreferencesDefaults.h"

#include "KitchoraController.h"
#include "NotificationCenter.h"
#include "ScratchUserDefaults.h"
#include "Theming.h"

#include <gtest/gtest.h>

TEST(PreferencesDefaultsTest, OneNotificationPerChangeOfTheStoredSystem)
{
    ScratchUserDefaults defaults;
    int posted = 0;
    const void* sender = &posted;
    const void* seen = nullptr;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver observer(center,
        center.addObserver(
            KRDefaultMeasurementSystemDidChange, nullptr, [&](const Notification& notification) {
                ++posted;
                seen = notification.object;
            }));

    defaults.defaults().setInteger(1, KRDefaultMeasurementSystem);
    struct Step {
        qint64 system;
        bool changes;
    };
    const QList<Step> steps { { 1, false }, { 2, true }, { 2, false }, { 0, false }, { 3, false },
        { 1, true } };
    int expected = 0;
    for (const Step& step : steps) {
        EXPECT_EQ(PreferencesDefaults::setDefaultMeasurementSystem(step.system, sender), step.changes)
            << step.system;
        expected += step.changes ? 1 : 0;
        EXPECT_EQ(posted, expected) << step.system;
    }
    EXPECT_EQ(PreferencesDefaults::defaultMeasurementSystem(), 1);
    EXPECT_EQ(seen, sender);
}

TEST(PreferencesDefaultsTest, MissingSystemIsFilledOnceAndNeverOverwritten)
{
    ScratchUserDefaults defaults;
    PreferencesDefaults::ensureDefaultMeasurementSystem();
    const qint64 filled = defaults.defaults().integerForKey(KRDefaultMeasurementSystem);
    EXPECT_TRUE(filled == 1 || filled == 2);
    defaults.defaults().setInteger(filled == 1 ? 2 : 1, KRDefaultMeasurementSystem);
    PreferencesDefaults::ensureDefaultMeasurementSystem();
    EXPECT_NE(defaults.defaults().integerForKey(KRDefaultMeasurementSystem), filled);
}

TEST(PreferencesDefaultsTest, ResetWarningsTurnsEveryConfirmationBackOn)
{
    ScratchUserDefaults defaults;
    const QStringList keys { KRConfirmsRecipeDelete, KRConfirmsCollectionDelete, KRConfirmsGroceryListDelete,
        KRShowFullScreenDialog };
    for (const QString& key : keys)
        defaults.defaults().setBool(false, key);
    PreferencesDefaults::resetWarnings();
    for (const QString& key : keys)
        EXPECT_TRUE(defaults.defaults().boolForKey(key)) << qPrintable(key);
}

TEST(PreferencesDefaultsTest, ThemingIsStoredThenAnnounced)
{
    ScratchUserDefaults defaults;
    bool storedWhenPosted = false;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver observer(center, center.addObserver(KRThemingChanged, nullptr, [&](const Notification&) {
        storedWhenPosted = UserDefaults::standardUserDefaults().boolForKey(KRThemedWindows);
    }));
    PreferencesDefaults::changeTheming(true, nullptr);
    EXPECT_TRUE(storedWhenPosted);
}
