#include "FuzzPlist.h"

#include "FuzzSupport.h"
#include "PropertyList.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <cstdio>

using FuzzSupport::require;

namespace
{

// A date as XML writes it: the fraction of a second dropped.
QDateTime wholeSeconds(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QTime time = utc.time();
    return QDateTime(utc.date(), QTime(time.hour(), time.minute(), time.second()), QTimeZone::utc());
}

bool sameValue(const QVariant& written, const QVariant& read, PropertyList::Format format)
{
    if (written.metaType() != read.metaType())
        return false;
    switch (written.metaType().id()) {
    case QMetaType::QVariantMap: {
        const QVariantMap a = written.toMap();
        const QVariantMap b = read.toMap();
        if (a.size() != b.size())
            return false;
        for (auto i = a.cbegin(), j = b.cbegin(); i != a.cend(); ++i, ++j) {
            if (i.key() != j.key() || !sameValue(i.value(), j.value(), format))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList a = written.toList();
        const QVariantList b = read.toList();
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!sameValue(a[i], b[i], format))
                return false;
        }
        return true;
    }
    case QMetaType::Double: {
        const double a = written.toDouble();
        const double b = read.toDouble();
        return (std::isnan(a) && std::isnan(b)) || a == b;
    }
    case QMetaType::QDateTime:
        if (format == PropertyList::Format::Xml)
            return wholeSeconds(written.toDateTime()) == read.toDateTime();
        return written.toDateTime() == read.toDateTime();
    default:
        return written == read;
    }
}

} // namespace

void fuzzPlist(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    PropertyList::Format format = PropertyList::Format::Xml;
    Error error;
    const QVariant value = PropertyList::propertyListWithData(bytes, &format, &error);
    if (!value.isValid()) {
        require(error.code != 0);
        return;
    }

    Error writeError;
    const QByteArray written = PropertyList::dataWithPropertyList(value, format, &writeError);
    if (written.isEmpty())
        std::fprintf(stderr, "write failed: %s\n", qUtf8Printable(writeError.localizedDescription));
    require(!written.isEmpty());

    PropertyList::Format again = format;
    Error readError;
    const QVariant reread = PropertyList::propertyListWithData(written, &again, &readError);
    require(reread.isValid());
    require(again == format);
    require(sameValue(value, reread, format));
}
