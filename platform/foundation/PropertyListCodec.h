#pragma once

// Internal to PropertyList: the two encodings and what they share.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace PropertyListCodec
{

// Deeper nesting than this is refused, so hostile input cannot exhaust the stack.
constexpr int MaxDepth = 512;

enum class Kind { Unsupported, Dict, Array, String, Integer, Unsigned, Real, Bool, Date, Data };

// How a value is written; Unsupported for anything a property list cannot hold.
Kind kindOf(const QVariant& value);
QString typeNameOf(const QVariant& value);

// Dates count seconds from 2001-01-01 00:00:00 UTC.
QDateTime dateFromReferenceSeconds(double seconds, bool* ok);
double referenceSecondsFromDate(const QDateTime& date);

QVariant readXml(const QByteArray& data, QString* reason);
QVariant readBinary(const QByteArray& data, QString* reason);
bool writeXml(const QVariant& value, QByteArray* out, QString* reason);
bool writeBinary(const QVariant& value, QByteArray* out, QString* reason);

} // namespace PropertyListCodec
