#pragma once

#include <QString>

// What the feedback form attaches about this computer when the user allows it: the system's name
// and version (os-release), the kernel and machine as uname reports them, the processor
// architecture and the Qt version. Read from the system without starting a process; safe on any
// thread.
class JRSystemProfile
{
public:
    static QString systemProfile();
    // The text of an os-release file, or empty when it cannot be read.
    static QString osRelease(const QString& path = QStringLiteral("/etc/os-release"));
};
