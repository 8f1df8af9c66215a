#pragma once

#include <QVariant>

// Enables a control while exactly one object is selected: a list (or a count) of one answers
// true, anything else false. Registered under "OneSelectedTransformer".
class OneSelectedTransformer
{
public:
    static QString name() { return QStringLiteral("OneSelectedTransformer"); }
    // A bool.
    QVariant transformedValue(const QVariant& value) const;
};
