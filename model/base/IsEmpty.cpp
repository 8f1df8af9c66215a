#include "IsEmpty.h"

#include <QPixmap>
#include <QVariantList>
#include <QVariantMap>

bool isEmpty(QStringView text)
{
    return text.isEmpty() || text == QLatin1String("(null)");
}

bool isEmpty(const QString& text)
{
    return isEmpty(QStringView(text));
}

bool isEmpty(const QByteArray& data)
{
    return data.isEmpty();
}

bool isEmpty(const QImage& image)
{
    return image.size().isEmpty();
}

bool isEmpty(const AttributedString& text)
{
    return isEmpty(text.string());
}

bool isEmpty(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return isEmpty(value.toString());
    case QMetaType::QByteArray:
        return isEmpty(value.toByteArray());
    case QMetaType::QStringList:
        return value.toStringList().isEmpty();
    case QMetaType::QVariantList:
        return value.toList().isEmpty();
    case QMetaType::QVariantMap:
        return value.toMap().isEmpty();
    case QMetaType::QVariantHash:
        return value.toHash().isEmpty();
    case QMetaType::QImage:
        return isEmpty(value.value<QImage>());
    case QMetaType::QPixmap:
        return value.value<QPixmap>().size().isEmpty();
    case QMetaType::Nullptr:
        return true;
    default:
        if (value.metaType() == QMetaType::fromType<AttributedString>())
            return isEmpty(*static_cast<const AttributedString*>(value.constData()));
        if (value.metaType() == QMetaType::fromType<MutableAttributedString>())
            return isEmpty(*static_cast<const MutableAttributedString*>(value.constData()));
        return false;
    }
}
