#pragma once

#include <QString>

inline const QString KRDefaultMeasurementSystem = QStringLiteral("KRDefaultMeasurementSystem");
inline const QString KRDefaultMeasurementSystemDidChange
    = QStringLiteral("KRDefaultMeasurementSystemDidChange");

// The user defaults the preferences window writes itself, and what follows from each change.
namespace PreferencesDefaults
{

// Writes the units engine's measurement system under KRDefaultMeasurementSystem when the key has
// no value.
void ensureDefaultMeasurementSystem();
// 1 metric, 2 US. Stores the system and posts KRDefaultMeasurementSystemDidChange (with `sender`)
// once when the stored value changed; other values are refused. Answers whether it changed.
bool setDefaultMeasurementSystem(qint64 system, const void* sender);
qint64 defaultMeasurementSystem();

// Stores KRThemedWindows and posts KRThemingChanged with `sender`.
void changeTheming(bool themed, const void* sender);

// Shows every confirmation and the full-screen dialog again.
void resetWarnings();

} // namespace PreferencesDefaults
