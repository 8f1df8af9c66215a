#include "FontNames.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <limits>

TEST(FontNames, StyleSuffixes)
{
    struct Case {
        const char* name;
        const char* family;
        bool bold;
        bool italic;
    };
    const QList<Case> cases = {
        { "Helvetica", "Helvetica", false, false },
        { "Helvetica-Bold", "Helvetica", true, false },
        { "Helvetica-Oblique", "Helvetica", false, true },
        { "Helvetica-BoldOblique", "Helvetica", true, true },
        { "Times-BoldItalic", "Times", true, true },
        { "Lucida-Grande", "Lucida-Grande", false, false },
        { "-Bold", "-Bold", false, false },
    };
    for (const Case& c : cases) {
        const QFont font = FontNames::fontWithName(c.name, 12);
        EXPECT_EQ(font.family(), c.family) << c.name;
        EXPECT_EQ(font.bold(), c.bold) << c.name;
        EXPECT_EQ(font.italic(), c.italic) << c.name;
        EXPECT_EQ(font.pointSizeF(), 12.0) << c.name;
    }
}

TEST(FontNames, UnusableSizesFallBackToTheApplicationFont)
{
    const qreal fallback
        = QGuiApplication::font().pointSizeF() > 0 ? QGuiApplication::font().pointSizeF() : 12;
    for (qreal size :
        { 0.0, -3.0, std::numeric_limits<qreal>::quiet_NaN(), std::numeric_limits<qreal>::infinity() })
        EXPECT_EQ(FontNames::fontWithName("Helvetica", size).pointSizeF(), fallback) << size;
}
