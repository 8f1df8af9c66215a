#pragma once

// Helpers shared by the implementation files of PersistentStore; not for other users.

#include "CoreDataErrors.h"
#include "Error.h"

#include <QString>
#include <optional>

namespace PersistentStorePrivate
{

// Marks our files ("KTCH"), so that a foreign SQLite file is told apart before anything is written.
constexpr int applicationID = 0x4B544348;
// The layout of the bookkeeping tables; the model's own version is in the metadata.
constexpr int schemaFormat = 1;

inline QString quoted(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

inline QString attributeColumn(const QString& name)
{
    return QStringLiteral("a_") + name;
}

inline QString relationshipColumn(const QString& name)
{
    return QStringLiteral("r_") + name;
}

inline Error storeError(int code, const QString& path, const QString& message)
{
    Error error;
    error.domain = CoreDataErrors::domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(CoreDataErrors::filePathKey, path);
    return error;
}

inline void setError(Error* target, const Error& error)
{
    if (target)
        *target = error;
}

// --- the files of a store (PersistentStoreFiles.cpp) ---

// The fields of a SQLite file's 100-byte header that tell whether the file is whole.
struct FileHeader {
    bool complete = false; // 100 bytes starting with the SQLite magic
    quint32 applicationID = 0;
    quint32 pageSize = 0; // in bytes
    quint32 pageCount = 0;
    quint32 changeCounter = 0;
    quint32 versionValidFor = 0;
    qint64 fileSize = 0;
};

// Reads the header with a plain file read, before SQLite could touch the file; false with
// errorString when the file cannot be read.
bool readFileHeader(const QString& path, FileHeader* header, QString* errorString);
// False when the file cannot hold the pages its header declares: cut in the middle of a page, or
// shorter than its page count while no write-ahead log could supply the rest.
bool hasWholePages(const FileHeader& header, bool walHasFrames);

// The size of the file, 0 when it does not exist.
qint64 fileSize(const QString& path);
// The database's size in pages before the transaction of the hot rollback journal at
// journalPath; nullopt when there is no such journal.
std::optional<quint32> hotJournalInitialPages(const QString& journalPath);
// Whether another process holds any SQLite lock on the database file.
bool isLockedElsewhere(const QString& path);

// Whether the file or folder can be written (or what the test seam says).
bool isWritable(const QString& path);

// How a store is read without writing: the name and open flags for SQLite. An immutable URI needs
// no shared-memory file and creates nothing, unless a log or journal holds what the file lacks.
struct ReadOnlyTarget {
    QString name;
    int flags = 0;
};
ReadOnlyTarget readOnlyTarget(const QString& path);

// The companion files of a store present at one moment.
struct Companions {
    bool main = false;
    bool wal = false;
    bool shm = false;
    bool journal = false;
};
Companions companionsOf(const QString& path);
// Removes the files that appeared since `before`; a log with frames survives unless its store
// file is one of them.
void removeCreatedFiles(const QString& path, const Companions& before);

} // namespace PersistentStorePrivate
