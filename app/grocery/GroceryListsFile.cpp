#include "GroceryListsFile.h"

#include "Log.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{

const QString kGroceryLists = QStringLiteral("grocerylists");

QString tr(const char* text)
{
    return QCoreApplication::translate("GroceryListsFile", text);
}

} // namespace

GroceryListsFile::GroceryListsFile(const QString& folder)
    : m_path(QDir(folder).filePath(fileName))
{
}

GroceryListsFile::GroceryLists GroceryListsFile::restoreGroceryLists()
{
    GroceryLists lists;
    if (!QFileInfo::exists(m_path))
        return lists;
    Error error;
    const QVariant root = PropertyList::propertyListWithContentsOfFile(m_path, nullptr, &error);
    QString problem;
    if (!root.isValid())
        problem = error.localizedDescription;
    else if (root.typeId() != QMetaType::QVariantMap)
        problem = QStringLiteral("the property list is not a dictionary");
    else if (root.toMap().contains(kGroceryLists)
        && root.toMap().value(kGroceryLists).typeId() != QMetaType::QVariantList)
        problem = QStringLiteral("\"grocerylists\" is not an array");
    if (!problem.isEmpty()) {
        Log::logf(
            QStringLiteral("-[GroceryListController restoreGroceryListsFromProperyList]: error converting "
                           "property lists data into dictionary: %1"),
            problem);
        setAsideUnreadableFile(problem);
        return lists;
    }
    for (const QVariant& entry : root.toMap().value(kGroceryLists).toList()) {
        if (entry.typeId() == QMetaType::QVariantMap)
            lists.push_back(std::make_unique<GroceryList>(entry.toMap()));
    }
    return lists;
}

bool GroceryListsFile::writeGroceryLists(const GroceryLists& lists)
{
    QList<const GroceryList*> plain;
    plain.reserve(static_cast<qsizetype>(lists.size()));
    for (const auto& list : lists)
        plain.append(list.get());
    return writeGroceryLists(plain);
}

bool GroceryListsFile::writeGroceryLists(const QList<const GroceryList*>& lists)
{
    if (!m_mayWrite) {
        Log::logf(
            QStringLiteral("-[GroceryListController applicationWillTerminate:]: error writing property list "
                           "data: %1 holds lists that could not be read and is kept"),
            m_path);
        return false;
    }
    QVariantList plists;
    plists.reserve(lists.size());
    for (const GroceryList* list : lists) {
        if (list)
            plists.append(list->propertyListRepresentation());
    }
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(
        QVariantMap { { kGroceryLists, plists } }, PropertyList::Format::Xml, &error);
    if (data.isEmpty()) {
        Log::logf(QStringLiteral("-[GroceryListController applicationWillTerminate:]: error converting "
                                 "property list to data: %1"),
            error.localizedDescription);
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        Log::logf(
            QStringLiteral(
                "-[GroceryListController applicationWillTerminate:]: error writing property list data: %1"),
            file.errorString());
        return false;
    }
    return true;
}

void GroceryListsFile::setAsideUnreadableFile(const QString& reason)
{
    const QFileInfo info(m_path);
    QString target = info.dir().filePath(QStringLiteral("grocerylists (unreadable).plist"));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = info.dir().filePath(QStringLiteral("grocerylists (unreadable %1).plist").arg(n));

    Error error;
    error.domain = QStringLiteral("GroceryListsFile");
    if (QFile::rename(m_path, target)) {
        m_movedAsidePath = target;
        error.code = 1;
        error.localizedDescription
            = tr("Your saved grocery lists could not be read. The file was kept as \"%1\".")
                  .arg(QFileInfo(target).fileName());
    } else {
        m_mayWrite = false;
        error.code = 2;
        error.localizedDescription = tr(
            "Your saved grocery lists could not be read. The file \"%1\" is left as it is, and grocery lists "
            "will not be saved until it is moved away.")
                                         .arg(m_path);
    }
    error.userInfo.insert(QStringLiteral("NSFilePath"), m_path);
    error.userInfo.insert(QStringLiteral("reason"), reason);
    if (m_unreadableFileHandler)
        m_unreadableFileHandler(error);
}
