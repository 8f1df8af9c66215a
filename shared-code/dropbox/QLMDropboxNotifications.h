#pragma once

#include <QString>

// Posted on the default notification center by each request of QLMDropboxAgent, with the request
// object as the object, once its block has run.
inline const QString QLMDropboxSuccessNotification = QStringLiteral("QLMDropboxSuccessNotification");
inline const QString QLMDropboxErrorNotification = QStringLiteral("QLMDropboxErrorNotification");
// User-info keys: the Dropbox or local path of the request (QString), the loaded data
// (QByteArray) or listed entries (QList<DBMetadata>), the client's error (Error).
inline const QString QLMDropboxNotificationUserInfoKeyForPath
    = QStringLiteral("QLMDropboxNotificationUserInfoKeyForPath");
inline const QString QLMDropboxNotificationUserInfoKeyForData
    = QStringLiteral("QLMDropboxNotificationUserInfoKeyForData");
inline const QString QLMDropboxNotificationUserInfoKeyForError
    = QStringLiteral("QLMDropboxNotificationUserInfoKeyForError");
