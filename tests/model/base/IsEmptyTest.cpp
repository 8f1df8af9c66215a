#include "IsEmpty.h"

#include "AttributedString.h"

#include <QDateTime>
#include <gtest/gtest.h>

TEST(IsEmpty, EmptyValues)
{
    const QList<QVariant> empty = {
        QVariant(),
        QVariant(QString()),
        QVariant(QStringLiteral("(null)")),
        QVariant(QVariantList()),
        QVariant(QVariantMap()),
        QVariant(QByteArray()),
        QVariant::fromValue(nullptr),
        QVariant(QImage()),
        QVariant::fromValue(AttributedString()),
        QVariant::fromValue(AttributedString("(null)", { { "k", 1 } })),
        QVariant::fromValue(MutableAttributedString("")),
    };
    for (const QVariant& v : empty)
        EXPECT_TRUE(isEmpty(v)) << v.typeName();
}

TEST(IsEmpty, NonEmptyValues)
{
    const QList<QVariant> full = {
        QVariant(0),
        QVariant(0.0),
        QVariant(false),
        QVariant(QStringLiteral("x")),
        QVariant(QStringLiteral(" ")),
        QVariant(QStringLiteral("(null) ")),
        QVariant(QVariantList { 1 }),
        QVariant(QDateTime::currentDateTime()),
        QVariant(QImage(1, 1, QImage::Format_RGB32)),
        QVariant::fromValue(AttributedString(" ")),
        QVariant::fromValue(MutableAttributedString("(null)x")),
    };
    for (const QVariant& v : full)
        EXPECT_FALSE(isEmpty(v)) << v.typeName() << " " << v.toString().toStdString();
}

TEST(IsEmpty, StringViews)
{
    const QString line = QStringLiteral("(null)\n");
    EXPECT_TRUE(isEmpty(QStringView(line).left(6)));
    EXPECT_TRUE(isEmpty(QStringView()));
    EXPECT_FALSE(isEmpty(QStringView(line)));
}

TEST(IsEmpty, AttributedStrings)
{
    EXPECT_TRUE(isEmpty(AttributedString()));
    EXPECT_TRUE(isEmpty(AttributedString("(null)")));
    EXPECT_TRUE(isEmpty(MutableAttributedString("")));
    EXPECT_FALSE(isEmpty(AttributedString("x")));
    EXPECT_FALSE(isEmpty(MutableAttributedString("(null)x")));
}
