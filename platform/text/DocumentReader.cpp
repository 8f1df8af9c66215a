#include "DocumentReader.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>

namespace DocumentReader
{

Kind kindForPath(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("txt") || extension == QLatin1String("text"))
        return Kind::PlainText;
    if (extension == QLatin1String("rtf"))
        return Kind::RTF;
    if (extension == QLatin1String("rtfd"))
        return Kind::RTFD;
    if (extension == QLatin1String("html") || extension == QLatin1String("htm"))
        return Kind::HTML;
    if (extension == QLatin1String("pdf"))
        return Kind::PDF;
    return Kind::Unknown;
}

std::optional<AttributedString> readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QObject::tr("The file “%1” could not be read.").arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    return readData(file.readAll(), kindForPath(path), error);
}

std::optional<AttributedString> readData(const QByteArray& data, Kind kind, QString* error)
{
    if (kind == Kind::PlainText || kind == Kind::Unknown)
        return AttributedString(QString::fromUtf8(data));
    if (error)
        *error = QObject::tr("This kind of document can't be read.");
    return std::nullopt;
}

} // namespace DocumentReader
