#pragma once

#include "Error.h"
#include "GroceryList.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// grocerylists.plist in the application-support folder: every grocery list, kept between runs.
//
// A file that cannot be read is never replaced: it is renamed to "grocerylists (unreadable).plist"
// (or a numbered variant) and the handler is told, so the user can recover it; when even the
// rename fails, writing is refused for the rest of the run.
class GroceryListsFile
{
public:
    using GroceryLists = std::vector<std::unique_ptr<GroceryList>>;
    // Told, on the main thread, when the stored lists could not be read.
    using UnreadableFileHandler = std::function<void(const Error& error)>;

    static inline const QString fileName = QStringLiteral("grocerylists.plist");

    // The file in `folder` (the application-support folder).
    explicit GroceryListsFile(const QString& folder);

    const QString& path() const { return m_path; }
    void setUnreadableFileHandler(UnreadableFileHandler handler)
    {
        m_unreadableFileHandler = std::move(handler);
    }

    // The stored lists in file order; none when the file does not exist or has no lists.
    GroceryLists restoreGroceryLists();
    // Writes every list in order as an XML property list, atomically. Called at quit and as
    // soon as lists arrive from devices. False (logged) when the lists could not be stored.
    bool writeGroceryLists(const GroceryLists& lists);
    bool writeGroceryLists(const QList<const GroceryList*>& lists);

    // Where the unreadable file was moved; empty when none was.
    const QString& movedAsidePath() const { return m_movedAsidePath; }

private:
    void setAsideUnreadableFile(const QString& reason);

    QString m_path;
    QString m_movedAsidePath;
    bool m_mayWrite = true;
    UnreadableFileHandler m_unreadableFileHandler;
};
