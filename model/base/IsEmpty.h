#pragma once

#include "AttributedString.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringView>
#include <QVariant>

// The one emptiness test of the program: nil, the null value, "" and "(null)" (what a missing
// value becomes once formatted as text), empty collections and data, and zero-size images are
// empty. An attributed string is empty when its text is. Numbers, dates and objects are never
// empty, zero included.
bool isEmpty(const QVariant& value);
bool isEmpty(const QString& text);
bool isEmpty(QStringView text);
bool isEmpty(const QByteArray& data);
bool isEmpty(const QImage& image);
bool isEmpty(const AttributedString& text);
inline bool isEmpty(const char* text)
{
    return text == nullptr || isEmpty(QString::fromUtf8(text));
}
