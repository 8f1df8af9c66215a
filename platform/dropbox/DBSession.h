#pragma once

#include "DBFaults.h"

#include <QString>
#include <memory>

// The root the program's paths are read from: the whole synced folder.
inline const QString kDBRootDropbox = QStringLiteral("dropbox");

// The linked account: a local folder that the user's sync client keeps in step with their other
// computers and devices. Linking means choosing that folder; the choice is kept in the user
// defaults (one per application key), so it lasts until unlinkAll forgets it. Two sessions
// linked to one folder stand for two computers sharing it. Main thread only.
class DBSession
{
public:
    DBSession(const QString& appKey, const QString& appSecret, const QString& root);
    DBSession(const DBSession&) = delete;
    DBSession& operator=(const DBSession&) = delete;

    // The session the program uses, or nullptr before one is set.
    static std::shared_ptr<DBSession> sharedSession();
    static void setSharedSession(std::shared_ptr<DBSession> session);

    bool isLinked() const;
    // Links the existing local folder `folder`; false (nothing changed) when it is no folder.
    bool linkFolder(const QString& folder);
    void unlinkAll();
    // The linked folder, absolute and canonical; empty when unlinked.
    QString linkedFolder() const;

    // The faults and holds staged for this session's requests.
    DBFaults& faults() { return m_faults; }

private:
    QString defaultsKey() const;

    QString m_appKey;
    QString m_folder;
    DBFaults m_faults;
};
