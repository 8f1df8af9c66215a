#pragma once

#include <QString>

// User default: windows paint their own themed background (unset means no).
inline const QString KRThemedWindows = QStringLiteral("KRThemedWindows");
// Posted on the default notification center after the user switched KRThemedWindows.
inline const QString KRThemingChanged = QStringLiteral("KRThemingChanged");
