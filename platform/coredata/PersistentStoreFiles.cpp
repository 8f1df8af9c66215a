#include "PersistentStore.h"
#include "PersistentStorePrivate.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QUrl>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace PersistentStorePrivate
{

namespace
{

quint32 bigEndian32(const QByteArray& bytes, int offset)
{
    return quint32(quint8(bytes[offset])) << 24 | quint32(quint8(bytes[offset + 1])) << 16
        | quint32(quint8(bytes[offset + 2])) << 8 | quint32(quint8(bytes[offset + 3]));
}

std::function<bool(const QString& path)>& writabilityCheck()
{
    static std::function<bool(const QString& path)> check;
    return check;
}

// Where SQLite's locks sit in a database file (beyond any data, at 1 GiB).
constexpr off_t lockRegionStart = 0x40000000;
constexpr off_t lockRegionLength = 512;

} // namespace

bool readFileHeader(const QString& path, FileHeader* header, QString* errorString)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorString = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(100);
    *header = FileHeader();
    header->fileSize = file.size();
    header->complete = bytes.size() == 100 && bytes.startsWith(QByteArray("SQLite format 3\0", 16));
    if (!header->complete)
        return true;
    const quint32 pageSize = quint32(quint8(bytes[16])) << 8 | quint32(quint8(bytes[17]));
    header->pageSize = pageSize == 1 ? 65536 : pageSize;
    header->changeCounter = bigEndian32(bytes, 24);
    header->pageCount = bigEndian32(bytes, 28);
    header->applicationID = bigEndian32(bytes, 68);
    header->versionValidFor = bigEndian32(bytes, 92);
    return true;
}

bool hasWholePages(const FileHeader& header, bool walHasFrames)
{
    const quint32 size = header.pageSize;
    if (size < 512 || size > 65536 || (size & (size - 1)) != 0 || header.fileSize % size != 0)
        return false;
    // The count is only kept up to date by writers that also set version-valid-for; a checkpoint
    // cut short leaves the file short, and the log still holds the rest.
    const bool countIsValid = header.versionValidFor == header.changeCounter;
    return !countIsValid || walHasFrames || header.fileSize >= qint64(header.pageCount) * size;
}

qint64 fileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

std::optional<quint32> hotJournalInitialPages(const QString& journalPath)
{
    QFile journal(journalPath);
    if (!journal.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = journal.read(20);
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    if (header.size() < 20 || !header.startsWith(magic))
        return std::nullopt;
    return bigEndian32(header, 16);
}

bool isLockedElsewhere(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = lockRegionStart;
    lock.l_len = lockRegionLength;
    const bool locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool isWritable(const QString& path)
{
    const auto& check = writabilityCheck();
    return check ? check(path) : ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

ReadOnlyTarget readOnlyTarget(const QString& path)
{
    if (fileSize(path + QStringLiteral("-wal")) > 0 || fileSize(path + QStringLiteral("-journal")) > 0)
        return { path, SQLITE_OPEN_READONLY };
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return { QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?immutable=1"),
        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI };
}

Companions companionsOf(const QString& path)
{
    return { QFileInfo::exists(path), QFileInfo::exists(path + QStringLiteral("-wal")),
        QFileInfo::exists(path + QStringLiteral("-shm")),
        QFileInfo::exists(path + QStringLiteral("-journal")) };
}

void removeCreatedFiles(const QString& path, const Companions& before)
{
    const QString wal = path + QStringLiteral("-wal");
    if (!before.wal && (!before.main || fileSize(wal) == 0))
        QFile::remove(wal);
    if (!before.shm)
        QFile::remove(path + QStringLiteral("-shm"));
    if (!before.journal)
        QFile::remove(path + QStringLiteral("-journal"));
    if (!before.main)
        QFile::remove(path);
}

} // namespace PersistentStorePrivate

void PersistentStore::setWritabilityCheckForTesting(std::function<bool(const QString& path)> check)
{
    PersistentStorePrivate::writabilityCheck() = std::move(check);
}
