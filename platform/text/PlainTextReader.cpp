#include "PlainTextReader.h"

#include "CodePages.h"

#include <QStringDecoder>

namespace
{

QString decoded(const QByteArray& data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.constData() + 3, data.size() - 3);
    // UTF-32 first: its little-endian mark begins like UTF-16's.
    if (data.startsWith(QByteArray("\xFF\xFE\x00\x00", 4)))
        return QStringDecoder(QStringConverter::Utf32LE).decode(data.mid(4));
    if (data.startsWith(QByteArray("\x00\x00\xFE\xFF", 4)))
        return QStringDecoder(QStringConverter::Utf32BE).decode(data.mid(4));
    if (data.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE).decode(data.mid(2));
    if (data.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE).decode(data.mid(2));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    return CodePages::decodeLocale8Bit(data);
}

} // namespace

QString PlainTextReader::stringFromData(const QByteArray& data)
{
    return withUnixLineEnds(decoded(data));
}

QString PlainTextReader::withUnixLineEnds(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c != u'\0') {
            out += c;
        }
    }
    return out;
}
