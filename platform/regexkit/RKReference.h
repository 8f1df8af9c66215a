#pragma once

#include <QList>
#include <QString>
#include <variant>

// One capture asked for by reference and the variable it fills. The reference names a capture as
// "$0".."$9", "${12}" or "${name}"; a conversion after a colon ("${3:%d}") reads the capture as an
// integer into an int. A capture that took no part in the match leaves a string null and an
// int unchanged.
struct RKReference {
    QString reference;
    std::variant<QString*, int*> target;
};

using RKReferences = QList<RKReference>;
