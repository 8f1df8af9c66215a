#include "PropertyListCodec.h"

#include <QRegularExpression>
#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <charconv>
#include <cmath>
#include <limits>

namespace PropertyListCodec
{

namespace
{

class XmlReader
{
public:
    explicit XmlReader(const QByteArray& data)
        : m_reader(data)
    {
    }

    QVariant read(QString* reason)
    {
        QVariant value = readDocument();
        if (!m_failure.isEmpty()) {
            *reason = m_failure;
            return {};
        }
        return value;
    }

private:
    QXmlStreamReader m_reader;
    QString m_failure;

    QVariant fail(const QString& why)
    {
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("%1 (line %2)").arg(why).arg(m_reader.lineNumber());
        return {};
    }
    bool failed() const { return !m_failure.isEmpty(); }

    // Moves to the next start or end tag; comments, processing instructions and white space
    // between tags are skipped, anything else is an error.
    bool nextTag()
    {
        while (!m_reader.atEnd()) {
            switch (m_reader.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return true;
            case QXmlStreamReader::Characters:
                if (!m_reader.isWhitespace()) {
                    fail(QStringLiteral("unexpected text"));
                    return false;
                }
                break;
            case QXmlStreamReader::Invalid:
                fail(m_reader.errorString());
                return false;
            default:
                break;
            }
        }
        fail(m_reader.hasError() ? m_reader.errorString() : QStringLiteral("unexpected end of document"));
        return false;
    }

    QVariant readDocument()
    {
        if (!nextTag())
            return {};
        QVariant value;
        if (m_reader.name() == QLatin1String("plist")) {
            if (!nextTag())
                return {};
            if (m_reader.isEndElement())
                return fail(QStringLiteral("the plist element holds no value"));
            value = readValue(1);
            if (failed() || !nextTag())
                return {};
            if (!m_reader.isEndElement())
                return fail(QStringLiteral("the plist element holds more than one value"));
        } else {
            value = readValue(1);
            if (failed())
                return {};
        }
        while (!m_reader.atEnd()) {
            const auto token = m_reader.readNext();
            if (token == QXmlStreamReader::Invalid)
                return fail(m_reader.errorString());
            if (token == QXmlStreamReader::Characters && !m_reader.isWhitespace())
                return fail(QStringLiteral("text after the property list"));
        }
        if (m_reader.hasError())
            return fail(m_reader.errorString());
        return value;
    }

    QString readText()
    {
        const QString text = m_reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_reader.hasError())
            fail(m_reader.errorString());
        return text;
    }

    QVariant readValue(int depth)
    {
        if (depth > MaxDepth)
            return fail(QStringLiteral("nested too deeply"));
        const QString name = m_reader.name().toString();
        if (name == QLatin1String("dict"))
            return readDict(depth);
        if (name == QLatin1String("array"))
            return readArray(depth);
        const QString text = readText();
        if (failed())
            return {};
        if (name == QLatin1String("string"))
            return text;
        if (name == QLatin1String("integer"))
            return parseInteger(text.trimmed());
        if (name == QLatin1String("real"))
            return parseReal(text.trimmed());
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            if (!text.trimmed().isEmpty())
                return fail(QStringLiteral("<%1> holds text").arg(name));
            return name == QLatin1String("true");
        }
        if (name == QLatin1String("date"))
            return parseDate(text.trimmed());
        if (name == QLatin1String("data"))
            return parseData(text);
        return fail(QStringLiteral("unknown element <%1>").arg(name));
    }

    QVariant readDict(int depth)
    {
        QVariantMap map;
        for (;;) {
            if (!nextTag())
                return {};
            if (m_reader.isEndElement())
                return map;
            if (m_reader.name() != QLatin1String("key"))
                return fail(
                    QStringLiteral("<%1> where a <key> was expected").arg(m_reader.name().toString()));
            const QString key = readText();
            if (failed() || !nextTag())
                return {};
            if (m_reader.isEndElement())
                return fail(QStringLiteral("the key \"%1\" has no value").arg(key));
            QVariant value = readValue(depth + 1);
            if (failed())
                return {};
            map.insert(key, value);
        }
    }

    QVariant readArray(int depth)
    {
        QVariantList list;
        for (;;) {
            if (!nextTag())
                return {};
            if (m_reader.isEndElement())
                return list;
            QVariant value = readValue(depth + 1);
            if (failed())
                return {};
            list.append(value);
        }
    }

    QVariant parseInteger(const QString& text)
    {
        QString digits = text;
        bool negative = false;
        if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
            negative = digits.startsWith(QLatin1Char('-'));
            digits.remove(0, 1);
        }
        int base = 10;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            base = 16;
            digits.remove(0, 2);
        }
        bool ok = !digits.isEmpty() && digits.at(0).isLetterOrNumber();
        const quint64 magnitude = ok ? digits.toULongLong(&ok, base) : 0;
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not an integer").arg(text));
        if (!negative) {
            if (magnitude > quint64(std::numeric_limits<qint64>::max()))
                return QVariant::fromValue<quint64>(magnitude);
            return QVariant::fromValue<qint64>(qint64(magnitude));
        }
        if (magnitude > quint64(std::numeric_limits<qint64>::max()) + 1)
            return fail(QStringLiteral("\"%1\" is out of range").arg(text));
        return QVariant::fromValue<qint64>(qint64(0 - magnitude));
    }

    QVariant parseReal(const QString& text)
    {
        const QString lower = text.toLower();
        if (lower == QLatin1String("nan"))
            return std::numeric_limits<double>::quiet_NaN();
        if (lower == QLatin1String("inf") || lower == QLatin1String("+inf")
            || lower == QLatin1String("infinity") || lower == QLatin1String("+infinity"))
            return std::numeric_limits<double>::infinity();
        if (lower == QLatin1String("-inf") || lower == QLatin1String("-infinity"))
            return -std::numeric_limits<double>::infinity();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return fail(QStringLiteral("\"%1\" is not a real number").arg(text));
        return value;
    }

    static QDateTime lastXmlDate() { return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC); }

    QVariant parseDate(const QString& text)
    {
        static const QRegularExpression pattern(
            QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d+))?Z$"));
        const QRegularExpressionMatch match = pattern.match(text);
        const QDate date = match.hasMatch()
            ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
            : QDate();
        const QTime time = match.hasMatch()
            ? QTime(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt())
            : QTime();
        if (!date.isValid() || !time.isValid())
            return fail(QStringLiteral("\"%1\" is not a date").arg(text));
        QDateTime result(date, time, Qt::UTC);
        const QString fraction = match.captured(7);
        if (!fraction.isEmpty()) {
            const double seconds = QStringLiteral("0.%1").arg(fraction).toDouble();
            // Rounded to milliseconds, but never past the last moment XML dates carry, so that
            // whatever is read can be written back.
            result = result.addMSecs(
                std::min<qint64>(std::llround(seconds * 1000.0), result.msecsTo(lastXmlDate())));
        }
        return result;
    }

    QVariant parseData(const QString& text)
    {
        QByteArray compact;
        compact.reserve(text.size());
        for (QChar c : text) {
            if (!c.isSpace())
                compact.append(c.toLatin1() ? c.toLatin1() : '!');
        }
        const auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(QStringLiteral("<data> is not valid Base64"));
        return decoded.decoded;
    }
};

class XmlWriter
{
public:
    bool write(const QVariant& value, QByteArray* out, QString* reason)
    {
        m_out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n");
        if (!writeValue(value, 0)) {
            *reason = m_failure;
            return false;
        }
        m_out.append("</plist>\n");
        *out = m_out;
        return true;
    }

private:
    QByteArray m_out;
    QString m_failure;

    bool fail(const QString& why)
    {
        m_failure = why;
        return false;
    }

    void indent(int depth) { m_out.append(QByteArray(depth, '\t')); }

    // XML 1.0 has no way to carry most control characters or unpaired surrogates.
    bool appendEscaped(const QString& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const char16_t u = c.unicode();
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                m_out.append(QStringView(text).mid(i, 2).toUtf8());
                ++i;
                continue;
            }
            if (c.isSurrogate() || (u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE
                || u == 0xFFFF)
                return fail(QStringLiteral("the text holds the character U+%1, which XML cannot carry")
                                .arg(uint(u), 4, 16, QLatin1Char('0')));
            switch (u) {
            case '&':
                m_out.append("&amp;");
                break;
            case '<':
                m_out.append("&lt;");
                break;
            case '>':
                m_out.append("&gt;");
                break;
            case '\r':
                m_out.append("&#13;");
                break; // a literal one would be read back as "\n"
            default:
                m_out.append(QStringView(&c, 1).toUtf8());
            }
        }
        return true;
    }

    bool writeText(const char* element, const QString& text, int depth)
    {
        indent(depth);
        m_out.append('<').append(element).append('>');
        if (!appendEscaped(text))
            return false;
        m_out.append("</").append(element).append(">\n");
        return true;
    }

    void writeRaw(const char* element, const QByteArray& text, int depth)
    {
        indent(depth);
        m_out.append('<').append(element).append('>').append(text).append("</").append(element).append(">\n");
    }

    static QByteArray realText(double value)
    {
        if (std::isnan(value))
            return "nan";
        if (std::isinf(value))
            return value > 0 ? "+infinity" : "-infinity";
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return QByteArray(buffer, result.ptr - buffer);
    }

    bool writeDict(const QVariant& value, int depth)
    {
        QList<QPair<QString, QVariant>> entries;
        if (value.metaType().id() == QMetaType::QVariantHash) {
            const QVariantHash hash = value.toHash();
            QStringList keys = hash.keys();
            keys.sort();
            for (const QString& key : keys)
                entries.append({ key, hash.value(key) });
        } else {
            const QVariantMap map = value.toMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                entries.append({ it.key(), it.value() });
        }
        indent(depth);
        if (entries.isEmpty()) {
            m_out.append("<dict/>\n");
            return true;
        }
        m_out.append("<dict>\n");
        for (const auto& [key, child] : entries) {
            if (!writeText("key", key, depth + 1) || !writeValue(child, depth + 1))
                return false;
        }
        indent(depth);
        m_out.append("</dict>\n");
        return true;
    }

    bool writeArray(const QVariantList& list, int depth)
    {
        indent(depth);
        if (list.isEmpty()) {
            m_out.append("<array/>\n");
            return true;
        }
        m_out.append("<array>\n");
        for (const QVariant& child : list) {
            if (!writeValue(child, depth + 1))
                return false;
        }
        indent(depth);
        m_out.append("</array>\n");
        return true;
    }

    bool writeValue(const QVariant& value, int depth)
    {
        if (depth > MaxDepth)
            return fail(QStringLiteral("the value is nested too deeply"));
        switch (kindOf(value)) {
        case Kind::Dict:
            return writeDict(value, depth);
        case Kind::Array:
            return writeArray(value.toList(), depth);
        case Kind::String:
            return writeText("string", value.toString(), depth);
        case Kind::Integer:
            writeRaw("integer", QByteArray::number(value.toLongLong()), depth);
            return true;
        case Kind::Unsigned:
            writeRaw("integer", QByteArray::number(value.toULongLong()), depth);
            return true;
        case Kind::Real:
            writeRaw("real", realText(value.toDouble()), depth);
            return true;
        case Kind::Bool:
            indent(depth);
            m_out.append(value.toBool() ? "<true/>\n" : "<false/>\n");
            return true;
        case Kind::Date: {
            const QDateTime date = value.toDateTime().toUTC();
            if (date.date().year() < 1 || date.date().year() > 9999)
                return fail(QStringLiteral("the date %1 is outside what XML dates can carry")
                                .arg(date.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"))));
            // Whole seconds: other readers refuse a fraction here. Binary keeps milliseconds.
            writeRaw("date", date.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toLatin1(), depth);
            return true;
        }
        case Kind::Data:
            writeRaw("data", value.toByteArray().toBase64(), depth);
            return true;
        case Kind::Unsupported:
            break;
        }
        return fail(QStringLiteral("a property list cannot hold %1").arg(typeNameOf(value)));
    }
};

} // namespace

QVariant readXml(const QByteArray& data, QString* reason)
{
    return XmlReader(data).read(reason);
}

bool writeXml(const QVariant& value, QByteArray* out, QString* reason)
{
    return XmlWriter().write(value, out, reason);
}

} // namespace PropertyListCodec
