#include "IsEmpty.h"

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
        QVariant(QVariantList{1}),
        QVariant(QDateTime::currentDateTime()),
        QVariant(QImage(1, 1, QImage::Format_RGB32)),
    };
    for (const QVariant& v : full)
        EXPECT_FALSE(isEmpty(v)) << v.typeName() << " " << v.toString().toStdString();
}
