#include "URLRequest.h"

namespace
{

QString headerValue(const QMap<QString, QString>& headers, const QString& name)
{
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

} // namespace

QString URLRequest::valueForHTTPHeaderField(const QString& name) const
{
    return headerValue(headers, name);
}

void URLRequest::setValueForHTTPHeaderField(const QString& value, const QString& name)
{
    for (auto it = headers.begin(); it != headers.end();) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            it = headers.erase(it);
        else
            ++it;
    }
    if (!value.isEmpty())
        headers.insert(name, value);
}

QString URLResponse::valueForHTTPHeaderField(const QString& name) const
{
    return headerValue(headers, name);
}

QString URLResponse::mimeType() const
{
    const QString type = valueForHTTPHeaderField(QStringLiteral("Content-Type"));
    return type.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

QString URLResponse::textEncodingName() const
{
    const QStringList parameters
        = valueForHTTPHeaderField(QStringLiteral("Content-Type")).split(QLatin1Char(';'));
    for (qsizetype i = 1; i < parameters.size(); ++i) {
        const QString parameter = parameters.at(i).trimmed();
        if (parameter.startsWith(QLatin1String("charset="), Qt::CaseInsensitive)) {
            QString name = parameter.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
                name = name.mid(1, name.size() - 2);
            return name.toLower();
        }
    }
    return {};
}
