// Grocery lists other devices left in this computer's folder.

#include "DropboxPaths.h"
#include "Log.h"
#include "QLMDropboxController.h"
#include "QLMDropboxPathConstants.h"

#include <QSet>

using namespace QLMDropboxPathConstants;

void QLMDropboxController::checkDropboxAndIfNewGroceriesProcessWithBlock(GroceryListsProcessor block)
{
    if (!block) {
        Log::log(QStringLiteral(
            "processGroceries block is nil for -checkDropboxAndIfNewGroceriesProcessWithBlock"));
        return;
    }
    determineCurrentDeviceDirectoryAndThenPerformBlock([this, block] {
        const QString own = pathToCurrentDeviceDirectory();
        if (own.isEmpty()) {
            block({});
            return;
        }
        gatherFolder(DropboxPaths::join(own, QLMDropboxGroceryListDirectory),
            [this, block](std::optional<std::vector<GatheredItem>> items) {
                if (!items) {
                    block({});
                    return;
                }
                QVariantList lists;
                QStringList files;
                for (const GatheredItem& item : *items) {
                    lists.append(item.plist);
                    if (!files.contains(item.sourcePath))
                        files.append(item.sourcePath);
                }
                // Taken in first: a reading cut short leaves the files for the next one.
                block(lists);
                for (const QString& file : std::as_const(files))
                    m_dropboxAgent.deleteDropboxPath(file);
            });
    });
}

void QLMDropboxController::fetchesGroceryListWithGroceryUUID(const QString& uuid, ItemBlock processPlist)
{
    if (!processPlist) {
        Log::log(QStringLiteral(
            "processPlist block is nil for -fetchesGroceryListWithGroceryUUID:andProcessWithPlist:"));
        return;
    }
    m_groceryIdentToIgnore = uuid;
    determineCurrentDeviceDirectoryAndThenPerformBlock([this, uuid, processPlist] {
        const QString own = pathToCurrentDeviceDirectory();
        if (own.isEmpty()) {
            processPlist(std::nullopt);
            return;
        }
        searchForItemWithIdent(uuid, DropboxPaths::join(own, QLMDropboxGroceryListDirectory), processPlist);
    });
}
