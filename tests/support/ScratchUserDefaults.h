#pragma once

#include "UserDefaults.h"

#include <QTemporaryDir>

// Points the shared user defaults at an empty file of its own for as long as it lives, so that
// values other tests leave behind do not decide the outcome.
class ScratchUserDefaults
{
public:
    ScratchUserDefaults()
        : m_previous(UserDefaults::standardUserDefaults().fileName())
    {
        UserDefaults::setStandardUserDefaultsFile(m_dir.filePath(QStringLiteral("defaults.ini")));
    }
    ~ScratchUserDefaults() { UserDefaults::setStandardUserDefaultsFile(m_previous); }
    ScratchUserDefaults(const ScratchUserDefaults&) = delete;
    ScratchUserDefaults& operator=(const ScratchUserDefaults&) = delete;

    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
