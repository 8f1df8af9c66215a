#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariant>

// The one emptiness test of the program: nil, the null value, "" and "(null)" (what a missing
// value becomes once formatted as text), empty collections and data, and zero-size images are
// empty. Numbers, dates and objects are never empty, zero included.
bool isEmpty(const QVariant& value);
bool isEmpty(const QString& text);
bool isEmpty(const QByteArray& data);
bool isEmpty(const QImage& image);
inline bool isEmpty(const char* text) { return text == nullptr || isEmpty(QString::fromUtf8(text)); }
