#include "RemoveAndCreate.h"
#include "ToolBarColor.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

TEST(RemoveAndCreate, RemovesOnlyTheGivenKeys)
{
    const QVariantMap dictionary { { "a", 1 }, { "b", 2 }, { "c", 3 } };
    EXPECT_EQ(RemoveAndCreate::dictionaryByRemovingObjectsForKeys(dictionary, { "a", "c", "missing" }),
        (QVariantMap { { "b", 2 } }));
    EXPECT_EQ(RemoveAndCreate::dictionaryByRemovingObjectsForKeys(dictionary, {}), dictionary);
    EXPECT_EQ(dictionary.size(), 3); // the receiver is untouched
}

TEST(ToolBarColor, LightenedColor)
{
    struct Case {
        const char* name;
        QColor color;
        float saturation;
        float brightness;
    };
    const QList<Case> cases = {
        { "red loses saturation", QColor::fromRgbF(1, 0, 0), 0.825f, 1.0f },
        { "dark blue gains brightness", QColor::fromHsvF(0.6f, 0.5f, 0.3f), 0.325f, 0.34f },
        { "grey stays unsaturated", QColor::fromRgbF(0.5f, 0.5f, 0.5f), 0.0f, 0.54f },
        { "a pale colour is not pushed below zero", QColor::fromHsvF(0.3f, 0.1f, 0.98f), 0.0f, 1.0f },
    };
    for (const Case& c : cases) {
        const QColor lightened = ToolBarColor::lightenedColor(c.color);
        EXPECT_EQ(lightened.spec(), QColor::Rgb) << c.name;
        EXPECT_NEAR(lightened.hsvSaturationF(), c.saturation, 0.005) << c.name;
        EXPECT_NEAR(lightened.valueF(), c.brightness, 0.005) << c.name;
        if (c.saturation > 0) {
            EXPECT_NEAR(lightened.hsvHueF(), c.color.hsvHueF(), 0.005) << c.name;
        }
    }
    const QColor translucent = ToolBarColor::lightenedColor(QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.25f));
    EXPECT_NEAR(translucent.alphaF(), 0.25, 0.005);
    EXPECT_FALSE(ToolBarColor::lightenedColor(QColor()).isValid());
}

TEST(ToolBarColor, ToolBarGrayIsThePaletteHighlight)
{
    const QColor gray = ToolBarColor::toolBarGray();
    EXPECT_TRUE(gray.isValid());
    EXPECT_EQ(gray, QGuiApplication::palette().color(QPalette::Active, QPalette::Midlight));
}
