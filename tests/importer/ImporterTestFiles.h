#pragma once

#include "ManagedObject.h"
#include "PropertyList.h"
#include "RecipeMetaDataExporter.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <initializer_list>
#include <sqlite3.h>

// Files for the importer's tests, written as the program writes them.
namespace ImporterTestFiles
{

inline QByteArray bytesOf(std::initializer_list<int> bytes)
{
    QByteArray data;
    for (const int byte : bytes)
        data.append(char(byte));
    return data;
}

inline QByteArray bytesOfFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Returns the path, for use in place.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

// A metadata file in the program's format (an XML property list) with the given keys.
inline QString writeMetaData(const QString& path, const QVariantMap& contents)
{
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(contents, PropertyList::Format::Xml, &error);
    EXPECT_FALSE(data.isEmpty()) << error.localizedDescription.toStdString();
    return writeFile(path, data);
}

// The file the program leaves for a recipe at quit, in the given folder.
inline QString writeProgramMetaData(const QString& folder, const ManagedObject* recipe)
{
    return writeMetaData(QDir(folder).filePath(RecipeMetaDataExporter::fileNameForRecipe(recipe)),
        RecipeMetaDataExporter::metaDataForRecipe(recipe));
}

// The bytes of a new SQLite database made by the statements (empty when they fail).
inline QByteArray sqliteDatabase(const QString& path, const char* statements)
{
    sqlite3* db = nullptr;
    const bool made = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made ? bytesOfFile(path) : QByteArray();
}

// A second connection of the program to its store, holding a write transaction with an
// uncommitted change for as long as it lives.
class WriteInProgress
{
public:
    explicit WriteInProgress(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr)
            != SQLITE_OK)
            return;
        m_started
            = sqlite3_exec(m_db, "BEGIN EXCLUSIVE; INSERT INTO meta (key, value) VALUES ('pending', 1);",
                  nullptr, nullptr, nullptr)
            == SQLITE_OK;
    }
    ~WriteInProgress()
    {
        if (m_started)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    WriteInProgress(const WriteInProgress&) = delete;
    WriteInProgress& operator=(const WriteInProgress&) = delete;

    bool started() const { return m_started; }

private:
    sqlite3* m_db = nullptr;
    bool m_started = false;
};

} // namespace ImporterTestFiles
