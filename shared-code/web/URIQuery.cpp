#include "URIQuery.h"

#include <QRegularExpression>
#include <QUrl>

namespace
{

bool allowedByRFC2396(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    return QStringView(u"-_.!~*'();/?:@&=+$,").contains(QChar(c));
}

std::optional<QString> textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QVariantMap:
    case QMetaType::QVariantList:
    case QMetaType::UnknownType:
        return std::nullopt;
    default:
        if (value.canConvert<QString>())
            return value.toString();
        return std::nullopt;
    }
}

} // namespace

QString URIQuery::encodePercentEscapesPerRFC2396ButNot(
    const QString& string, const QString& butNot, const QString& butAlso)
{
    QString result;
    const QByteArray utf8 = string.toUtf8();
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        const bool keep = c < 0x80
            && ((allowedByRFC2396(c) && !butAlso.contains(QLatin1Char(char(c))))
                || butNot.contains(QLatin1Char(char(c))));
        if (keep)
            result.append(QLatin1Char(char(c)));
        else
            result.append(QStringLiteral("%%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper());
    }
    return result;
}

QString URIQuery::encodePercentEscapesPerRFC2396(const QString& string)
{
    return encodePercentEscapesPerRFC2396ButNot(string, QString(), QString());
}

QString URIQuery::encodePercentEscapesStrictlyPerRFC2396(const QString& string)
{
    return encodePercentEscapesPerRFC2396(decodeAllPercentEscapes(string));
}

QString URIQuery::decodeAllPercentEscapes(const QString& string)
{
    return QUrl::fromPercentEncoding(string.toUtf8());
}

QVariantMap URIQuery::queryDictionaryUsingEncoding(const QString& string)
{
    QVariantMap dictionary;
    for (const QString& piece :
        string.split(QRegularExpression(QStringLiteral("[&;]")), Qt::SkipEmptyParts)) {
        const QStringList sides = piece.split(QLatin1Char('='));
        if (sides.size() != 2)
            continue;
        dictionary.insert(decodeAllPercentEscapes(sides.at(0)), decodeAllPercentEscapes(sides.at(1)));
    }
    return dictionary;
}

std::optional<QString> URIQuery::stringWithQueryDictionary(const QVariantMap& dictionary)
{
    QStringList pairs;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const std::optional<QString> text = textOf(it.value());
        if (!text)
            return std::nullopt;
        const QString key
            = encodePercentEscapesPerRFC2396ButNot(it.key(), QStringLiteral("[]"), QStringLiteral("+=;"));
        const QString value = encodePercentEscapesPerRFC2396ButNot(*text, QString(), QStringLiteral("+=;"));
        pairs.append(QStringLiteral("%1=%2").arg(key, value));
    }
    return pairs.join(QLatin1Char('&'));
}
