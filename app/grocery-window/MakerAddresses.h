#pragma once

#include <QString>

// Where the makers of Kitchora are reached: the About window's links and the signature of mailed
// grocery lists.
inline const QString KRMakerWebAddress = QStringLiteral("www.kitchora.org");
inline const QString KRMakerMailAddress = QStringLiteral("support@kitchora.org");
