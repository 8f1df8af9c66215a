#include "UUID.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(UUID, NewStringsAreDistinctAndInTheStandardForm)
{
    const QString first = UUID::mg_stringWithNewUUID();
    const QString second = UUID::mg_stringWithNewUUID();
    EXPECT_NE(first, second);
    const QRegularExpression form(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(form.match(first).hasMatch()) << qPrintable(first);
    EXPECT_EQ(first.size(), 36);
}
