#include "PropertyListCodec.h"

#include <QHash>
#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>
#include <cstring>
#include <limits>
#include <vector>

namespace PropertyListCodec
{

namespace
{

constexpr qsizetype HeaderSize = 8;
constexpr qsizetype TrailerSize = 32;

// Every offset and length is checked against the buffer before it is used, objects that
// refer back to themselves are refused, and each object is decoded once (shared children
// share their QVariant), so a small hostile file cannot blow up into a huge tree.
class BinaryReader
{
public:
    explicit BinaryReader(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData()))
        , m_size(quint64(data.size()))
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
    enum class State : quint8 { Unread, Reading, Done };

    const uchar* m_data;
    quint64 m_size;
    quint64 m_objectsEnd = 0; // where the offset table starts
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_tableOffset = 0;
    std::vector<State> m_state;
    std::vector<QVariant> m_objects;
    QString m_failure;

    QVariant fail(const QString& why)
    {
        if (m_failure.isEmpty())
            m_failure = why;
        return {};
    }
    bool failed() const { return !m_failure.isEmpty(); }

    bool has(quint64 position, quint64 length) const
    {
        return position <= m_objectsEnd && length <= m_objectsEnd - position;
    }

    quint64 readUnsigned(quint64 position, int bytes) const
    {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | m_data[position + quint64(i)];
        return value;
    }

    QVariant readDocument()
    {
        if (m_size < quint64(HeaderSize + 1 + TrailerSize))
            return fail(QStringLiteral("the binary property list is truncated"));
        if (std::memcmp(m_data, "bplist00", HeaderSize) != 0)
            return fail(QStringLiteral("unsupported binary property list version"));
        const quint64 trailer = m_size - TrailerSize;
        m_offsetSize = m_data[trailer + 6];
        m_refSize = m_data[trailer + 7];
        m_objectCount = readUnsigned(trailer + 8, 8);
        const quint64 top = readUnsigned(trailer + 16, 8);
        m_tableOffset = readUnsigned(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || m_objectCount == 0
            || m_objectCount > trailer || top >= m_objectCount || m_tableOffset <= quint64(HeaderSize)
            || m_tableOffset > trailer || m_objectCount * quint64(m_offsetSize) > trailer - m_tableOffset)
            return fail(QStringLiteral("the binary property list's trailer is damaged"));
        m_objectsEnd = m_tableOffset;
        m_state.assign(m_objectCount, State::Unread);
        m_objects.assign(m_objectCount, QVariant());
        return readObject(top, 1);
    }

    QVariant readObject(quint64 index, int depth)
    {
        if (index >= m_objectCount)
            return fail(QStringLiteral("an object reference points outside the property list"));
        if (m_state[index] == State::Done)
            return m_objects[index];
        if (m_state[index] == State::Reading)
            return fail(QStringLiteral("an object contains itself"));
        if (depth > MaxDepth)
            return fail(QStringLiteral("nested too deeply"));
        const quint64 offset = readUnsigned(m_tableOffset + index * quint64(m_offsetSize), m_offsetSize);
        if (offset < quint64(HeaderSize) || !has(offset, 1))
            return fail(QStringLiteral("an object offset points outside the property list"));
        m_state[index] = State::Reading;
        QVariant value = decode(offset, depth);
        if (failed())
            return {};
        m_state[index] = State::Done;
        m_objects[index] = value;
        return value;
    }

    // The count of a container or string: in the marker, or in an integer object after it.
    bool readLength(quint64* position, int info, quint64* length)
    {
        if (info != 0xF) {
            *length = quint64(info);
            return true;
        }
        if (!has(*position, 1)) {
            fail(QStringLiteral("the binary property list is truncated"));
            return false;
        }
        const uchar marker = m_data[*position];
        const int bytes = 1 << (marker & 0xF);
        if ((marker >> 4) != 0x1 || bytes > 8 || !has(*position + 1, quint64(bytes))) {
            fail(QStringLiteral("an object length is damaged"));
            return false;
        }
        *length = readUnsigned(*position + 1, bytes);
        *position += 1 + quint64(bytes);
        return true;
    }

    double readReal(quint64 position, int bytes) const
    {
        const quint64 bits = readUnsigned(position, bytes);
        if (bytes == 4) {
            const quint32 narrow = quint32(bits);
            float f;
            std::memcpy(&f, &narrow, sizeof f);
            return f;
        }
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    QVariant decodeInteger(quint64 position, int info)
    {
        if (info > 4 || !has(position, quint64(1) << info))
            return fail(QStringLiteral("an integer is damaged"));
        if (info < 3)
            return QVariant::fromValue<qint64>(qint64(readUnsigned(position, 1 << info)));
        if (info == 3)
            return QVariant::fromValue<qint64>(qint64(readUnsigned(position, 8)));
        const quint64 high = readUnsigned(position, 8);
        const quint64 low = readUnsigned(position + 8, 8);
        if (high == 0)
            return low > quint64(std::numeric_limits<qint64>::max())
                ? QVariant::fromValue<quint64>(low)
                : QVariant::fromValue<qint64>(qint64(low));
        if (high == ~quint64(0) && (low >> 63))
            return QVariant::fromValue<qint64>(qint64(low));
        return fail(QStringLiteral("an integer is too large"));
    }

    std::vector<quint64> readRefs(quint64 position, quint64 count)
    {
        std::vector<quint64> refs;
        if (count > m_objectsEnd || !has(position, count * quint64(m_refSize))) {
            fail(QStringLiteral("a container runs past the end of the property list"));
            return refs;
        }
        refs.reserve(count);
        for (quint64 i = 0; i < count; ++i)
            refs.push_back(readUnsigned(position + i * quint64(m_refSize), m_refSize));
        return refs;
    }

    QVariant decode(quint64 offset, int depth)
    {
        const uchar marker = m_data[offset];
        const int type = marker >> 4;
        const int info = marker & 0xF;
        quint64 position = offset + 1;
        switch (type) {
        case 0x0:
            if (info == 0x8 || info == 0x9)
                return info == 0x9;
            return fail(
                QStringLiteral("unsupported object (marker 0x%1)").arg(marker, 2, 16, QLatin1Char('0')));
        case 0x1:
            return decodeInteger(position, info);
        case 0x2:
            if ((info != 2 && info != 3) || !has(position, quint64(1) << info))
                return fail(QStringLiteral("a real number is damaged"));
            return readReal(position, 1 << info);
        case 0x3: {
            if (info != 3 || !has(position, 8))
                return fail(QStringLiteral("a date is damaged"));
            bool ok = false;
            const QDateTime date = dateFromReferenceSeconds(readReal(position, 8), &ok);
            if (!ok)
                return fail(QStringLiteral("a date is out of range"));
            return date;
        }
        case 0x4:
        case 0x5:
        case 0x6: {
            quint64 length = 0;
            if (!readLength(&position, info, &length))
                return {};
            const quint64 bytes = type == 0x6 ? length * 2 : length;
            if (length > m_objectsEnd || !has(position, bytes))
                return fail(QStringLiteral("a string or data object runs past the end of the property list"));
            const char* start = reinterpret_cast<const char*>(m_data + position);
            if (type == 0x4)
                return QByteArray(start, qsizetype(bytes));
            if (type == 0x5)
                return QString::fromLatin1(start, qsizetype(bytes));
            QString text(qsizetype(length), Qt::Uninitialized);
            for (quint64 i = 0; i < length; ++i)
                text[qsizetype(i)] = QChar(char16_t(readUnsigned(position + 2 * i, 2)));
            return text;
        }
        case 0x8: {
            if (!has(position, quint64(info) + 1))
                return fail(QStringLiteral("a uid is damaged"));
            return QVariantMap { { QStringLiteral("CF$UID"),
                QVariant::fromValue<qint64>(qint64(readUnsigned(position, info + 1))) } };
        }
        case 0xA:
        case 0xC:
            return decodeArray(position, info, depth);
        case 0xD:
            return decodeDict(position, info, depth);
        default:
            return fail(
                QStringLiteral("unknown object type (marker 0x%1)").arg(marker, 2, 16, QLatin1Char('0')));
        }
    }

    QVariant decodeArray(quint64 position, int info, int depth)
    {
        quint64 count = 0;
        if (!readLength(&position, info, &count))
            return {};
        const std::vector<quint64> refs = readRefs(position, count);
        if (failed())
            return {};
        QVariantList list;
        list.reserve(qsizetype(count));
        for (quint64 ref : refs) {
            QVariant element = readObject(ref, depth + 1);
            if (failed())
                return {};
            list.append(element);
        }
        return list;
    }

    QVariant decodeDict(quint64 position, int info, int depth)
    {
        quint64 count = 0;
        if (!readLength(&position, info, &count))
            return {};
        if (count > m_objectsEnd)
            return fail(QStringLiteral("a dictionary runs past the end of the property list"));
        const std::vector<quint64> refs = readRefs(position, count * 2);
        if (failed())
            return {};
        QVariantMap map;
        for (quint64 i = 0; i < count; ++i) {
            const QVariant key = readObject(refs[i], depth + 1);
            if (failed())
                return {};
            if (key.metaType().id() != QMetaType::QString)
                return fail(QStringLiteral("a dictionary key is not a string"));
            QVariant value = readObject(refs[count + i], depth + 1);
            if (failed())
                return {};
            map.insert(key.toString(), value);
        }
        return map;
    }
};

class BinaryWriter
{
public:
    bool write(const QVariant& value, QByteArray* out, QString* reason)
    {
        if (collect(value, 1) == NoIndex) {
            *reason = m_failure;
            return false;
        }
        m_refSize = bytesFor(m_objects.size() - 1);
        m_out.append("bplist00", HeaderSize);
        std::vector<quint64> offsets;
        offsets.reserve(m_objects.size());
        for (const Object& object : m_objects) {
            offsets.push_back(quint64(m_out.size()));
            writeObject(object);
        }
        const quint64 tableOffset = quint64(m_out.size());
        const int offsetSize = bytesFor(offsets.empty() ? 0 : offsets.back());
        for (quint64 offset : offsets)
            appendUnsigned(offset, offsetSize);
        m_out.append(QByteArray(6, '\0'));
        m_out.append(char(offsetSize));
        m_out.append(char(m_refSize));
        appendUnsigned(m_objects.size(), 8);
        appendUnsigned(0, 8); // the top object is written first
        appendUnsigned(tableOffset, 8);
        *out = m_out;
        return true;
    }

private:
    static constexpr quint64 NoIndex = std::numeric_limits<quint64>::max();

    struct Object {
        QVariant value;
        Kind kind;
        std::vector<quint64> refs; // dictionaries: keys, then values
    };

    std::vector<Object> m_objects;
    QHash<QString, quint64> m_strings; // equal strings (keys above all) are written once
    QByteArray m_out;
    int m_refSize = 1;
    QString m_failure;

    static int bytesFor(quint64 value)
    {
        if (value <= 0xFF)
            return 1;
        if (value <= 0xFFFF)
            return 2;
        if (value <= 0xFFFFFFFF)
            return 4;
        return 8;
    }

    quint64 add(const QVariant& value, Kind kind)
    {
        m_objects.push_back(Object { value, kind, {} });
        return m_objects.size() - 1;
    }

    quint64 collectString(const QString& text)
    {
        const auto found = m_strings.constFind(text);
        if (found != m_strings.cend())
            return found.value();
        const quint64 index = add(text, Kind::String);
        m_strings.insert(text, index);
        return index;
    }

    quint64 collect(const QVariant& value, int depth)
    {
        if (depth > MaxDepth) {
            m_failure = QStringLiteral("the value is nested too deeply");
            return NoIndex;
        }
        const Kind kind = kindOf(value);
        switch (kind) {
        case Kind::Unsupported:
            m_failure = QStringLiteral("a property list cannot hold %1").arg(typeNameOf(value));
            return NoIndex;
        case Kind::String:
            return collectString(value.toString());
        case Kind::Array: {
            const quint64 index = add(QVariant(), kind);
            std::vector<quint64> refs;
            for (const QVariant& element : value.toList()) {
                const quint64 ref = collect(element, depth + 1);
                if (ref == NoIndex)
                    return NoIndex;
                refs.push_back(ref);
            }
            m_objects[index].refs = std::move(refs);
            return index;
        }
        case Kind::Dict: {
            const quint64 index = add(QVariant(), kind);
            QVariantMap map;
            if (value.metaType().id() == QMetaType::QVariantHash) {
                const QVariantHash hash = value.toHash();
                for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                    map.insert(it.key(), it.value());
            } else {
                map = value.toMap();
            }
            std::vector<quint64> keys;
            std::vector<quint64> values;
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                keys.push_back(collectString(it.key()));
                const quint64 ref = collect(it.value(), depth + 1);
                if (ref == NoIndex)
                    return NoIndex;
                values.push_back(ref);
            }
            keys.insert(keys.end(), values.begin(), values.end());
            m_objects[index].refs = std::move(keys);
            return index;
        }
        default:
            return add(value, kind);
        }
    }

    void appendUnsigned(quint64 value, int bytes)
    {
        for (int i = bytes - 1; i >= 0; --i)
            m_out.append(char((value >> (8 * i)) & 0xFF));
    }

    void appendInteger(quint64 value, bool negative)
    {
        if (negative) {
            m_out.append(char(0x13));
            appendUnsigned(value, 8);
            return;
        }
        const int bytes = bytesFor(value);
        m_out.append(char(0x10 | (bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3)));
        appendUnsigned(value, bytes);
    }

    void appendMarker(int type, quint64 length)
    {
        if (length < 0xF) {
            m_out.append(char((type << 4) | int(length)));
            return;
        }
        m_out.append(char((type << 4) | 0xF));
        appendInteger(length, false);
    }

    void appendDouble(double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        appendUnsigned(bits, 8);
    }

    void writeObject(const Object& object)
    {
        switch (object.kind) {
        case Kind::Bool:
            m_out.append(char(object.value.toBool() ? 0x09 : 0x08));
            break;
        case Kind::Integer: {
            const qint64 value = object.value.toLongLong();
            appendInteger(quint64(value), value < 0);
            break;
        }
        case Kind::Unsigned:
            m_out.append(char(0x14));
            appendUnsigned(0, 8);
            appendUnsigned(object.value.toULongLong(), 8);
            break;
        case Kind::Real:
            m_out.append(char(0x23));
            appendDouble(object.value.toDouble());
            break;
        case Kind::Date:
            m_out.append(char(0x33));
            appendDouble(referenceSecondsFromDate(object.value.toDateTime()));
            break;
        case Kind::Data: {
            const QByteArray data = object.value.toByteArray();
            appendMarker(0x4, quint64(data.size()));
            m_out.append(data);
            break;
        }
        case Kind::String: {
            const QString text = object.value.toString();
            bool ascii = true;
            for (QChar c : text)
                ascii = ascii && c.unicode() < 0x80;
            appendMarker(ascii ? 0x5 : 0x6, quint64(text.size()));
            if (ascii) {
                m_out.append(text.toLatin1());
            } else {
                for (QChar c : text)
                    appendUnsigned(c.unicode(), 2);
            }
            break;
        }
        case Kind::Array:
            appendMarker(0xA, object.refs.size());
            for (quint64 ref : object.refs)
                appendUnsigned(ref, m_refSize);
            break;
        case Kind::Dict:
            appendMarker(0xD, object.refs.size() / 2);
            for (quint64 ref : object.refs)
                appendUnsigned(ref, m_refSize);
            break;
        case Kind::Unsupported:
            break;
        }
    }
};

} // namespace

QVariant readBinary(const QByteArray& data, QString* reason)
{
    return BinaryReader(data).read(reason);
}

bool writeBinary(const QVariant& value, QByteArray* out, QString* reason)
{
    return BinaryWriter().write(value, out, reason);
}

} // namespace PropertyListCodec
