#pragma once

#include <QString>
#include <QVariantMap>

// An error result: where it came from, a code, a message for the user and details.
struct Error {
    QString domain;
    int code = 0;
    QString localizedDescription;
    QVariantMap userInfo;

    bool isNull() const { return domain.isEmpty() && code == 0 && localizedDescription.isEmpty(); }
};
