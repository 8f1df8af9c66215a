#include "BLStringRange.h"

#include "Log.h"

Range BLStringRange(const QString& string)
{
    return { 0, string.size() };
}

Range BLStringRange(const AttributedString& string)
{
    return { 0, string.length() };
}

std::optional<Range> BLStringRange(const QVariant& value)
{
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<QString>())
        return BLStringRange(*static_cast<const QString*>(value.constData()));
    if (type == QMetaType::fromType<AttributedString>())
        return BLStringRange(*static_cast<const AttributedString*>(value.constData()));
    if (type == QMetaType::fromType<MutableAttributedString>())
        return BLStringRange(*static_cast<const MutableAttributedString*>(value.constData()));
    const QString description = value.isValid()
        ? QStringLiteral("%1 %2").arg(QString::fromLatin1(value.typeName()), value.toString())
        : QStringLiteral("(null)");
    Log::log(
        QStringLiteral("***NSInvalidArgumentException: <%1> is not of type NSAttributedString or NSString "
                       "or descendant***")
            .arg(description));
    return std::nullopt;
}
