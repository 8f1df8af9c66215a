#include "RecipeTableDelegate.h"

#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeMO.h"
#include "RecipePasteboard.h"
#include "VRCManagedObjectWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

struct RecipeTableDelegate::DragFolder {
    std::unique_ptr<QTemporaryDir> dir;
    RunLoop::Token removal = 0;
};

namespace
{

// Room for " 123.vrc" and more within a file name's 255 bytes.
constexpr qsizetype kMaximumStemBytes = 200;

} // namespace

RecipeTableDelegate::RecipeTableDelegate(Outlets outlets)
    : m_outlets(std::move(outlets))
{
}

RecipeTableDelegate::~RecipeTableDelegate()
{
    for (const std::unique_ptr<DragFolder>& folder : m_dragFolders)
        if (folder->removal)
            RunLoop::cancel(folder->removal);
    for (RunLoop::Token token : m_editingEnds)
        RunLoop::cancel(token);
}

QString RecipeTableDelegate::safeFileStem(const QString& name)
{
    QString stem;
    stem.reserve(name.size());
    for (QChar c : name)
        stem += (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f) ? QChar(u'-') : c;
    stem = stem.trimmed();
    while (stem.startsWith(u'.'))
        stem = stem.mid(1).trimmed();
    if (stem.isEmpty())
        stem = QCoreApplication::translate("Kitchora", "Untitled Recipe");
    while (stem.toUtf8().size() > kMaximumStemBytes) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem;
}

QStringList RecipeTableDelegate::namesOfPromisedFilesDroppedAtDestination(
    const QString& folder, const QList<qsizetype>& rows)
{
    const VRCManagedObjectWriter writer;
    const QDir destination(folder);
    QStringList names;
    for (qsizetype row : rows) {
        ManagedObject* recipe = m_outlets.recipeAtRow ? m_outlets.recipeAtRow(row) : nullptr;
        if (!recipe)
            continue;
        const QString card = writer.stringFromRecipeManagedObject(recipe);
        if (card.isEmpty())
            continue;
        const QString stem = safeFileStem(recipe->valueForKey(QStringLiteral("name")).toString());
        QString name = stem + QStringLiteral(".vrc");
        for (int counter = 1; names.contains(name) || destination.exists(name); ++counter)
            name = QStringLiteral("%1 %2.vrc").arg(stem).arg(counter);
        names.append(name);
        QFile file(destination.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(card.toUtf8()) < 0) {
            Log::logf(
                QStringLiteral("Could not write the card file %1: %2"), file.fileName(), file.errorString());
            file.remove();
            names.removeLast();
        }
    }
    return names;
}

std::unique_ptr<QMimeData> RecipeTableDelegate::writeRowsWithIndexes(const QList<qsizetype>& rows)
{
    QList<QUrl> uris;
    for (qsizetype row : rows)
        if (ManagedObject* recipe = m_outlets.recipeAtRow ? m_outlets.recipeAtRow(row) : nullptr)
            uris.append(recipe->objectID().URIRepresentation());
    if (uris.isEmpty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    RecipePasteboard::writeRecipeURIs(*data, uris);
    m_shadowDragPasteboard = uris;

    QString root = m_outlets.temporaryFolder ? m_outlets.temporaryFolder() : QString();
    if (root.isEmpty())
        root = QDir::tempPath();
    auto folder = std::make_unique<DragFolder>();
    folder->dir
        = std::make_unique<QTemporaryDir>(QDir(root).filePath(QStringLiteral("kitchora-drag-XXXXXX")));
    if (!folder->dir->isValid()) {
        Log::logf(
            QStringLiteral("Could not make a folder for dragged cards: %1"), folder->dir->errorString());
        return data;
    }
    QList<QUrl> files;
    for (const QString& name : namesOfPromisedFilesDroppedAtDestination(folder->dir->path(), rows))
        files.append(QUrl::fromLocalFile(QDir(folder->dir->path()).filePath(name)));
    if (!files.isEmpty())
        data->setUrls(files);
    m_dragFolders.push_back(std::move(folder));
    return data;
}

QString RecipeTableDelegate::currentDragFolder() const
{
    return m_dragFolders.empty() ? QString() : m_dragFolders.back()->dir->path();
}

void RecipeTableDelegate::removeDragFolder(DragFolder* folder)
{
    for (auto it = m_dragFolders.begin(); it != m_dragFolders.end(); ++it) {
        if (it->get() == folder) {
            m_dragFolders.erase(it);
            return;
        }
    }
}

void RecipeTableDelegate::didFinishDragOperation(DragOperation operation)
{
    if (operation == DragOperation::Delete && m_shadowDragPasteboard) {
        ManagedObjectContext* context
            = m_outlets.managedObjectContext ? m_outlets.managedObjectContext() : nullptr;
        PersistentStoreCoordinator* coordinator = context ? context->persistentStoreCoordinator() : nullptr;
        if (coordinator) {
            for (const QUrl& uri : *m_shadowDragPasteboard) {
                const ManagedObjectID id = coordinator->managedObjectIDForURIRepresentation(uri);
                ManagedObject* recipe = id.isNull() ? nullptr : context->objectWithID(id);
                if (recipe && !recipe->isDeleted())
                    context->deleteObject(recipe);
            }
            context->processPendingChanges();
        }
    }
    m_shadowDragPasteboard.reset();
    for (const std::unique_ptr<DragFolder>& folder : m_dragFolders) {
        if (folder->removal)
            continue;
        DragFolder* kept = folder.get();
        folder->removal
            = RunLoop::postAfterDelay(kDragFolderLifetime, [this, kept] { removeDragFolder(kept); });
    }
}

bool RecipeTableDelegate::shouldSelectRows(const QList<qsizetype>& current, const QList<qsizetype>& proposed)
{
    if (current.size() == 1 && proposed == current)
        return true;
    if (!m_outlets.pageIsEditing || !m_outlets.pageIsEditing())
        return true;
    ManagedObject* shown = m_outlets.shownRecipe ? m_outlets.shownRecipe() : nullptr;
    if (m_outlets.writeEditedCardBack)
        m_outlets.writeEditedCardBack();
    if (!shown)
        return true;
    // The recipe leaves editing a moment later, unless it is being edited again by then.
    const ManagedObjectID id = shown->objectID();
    auto token = std::make_shared<RunLoop::Token>(0);
    *token = RunLoop::postAfterDelay(1.0, [this, id, token] {
        m_editingEnds.removeOne(*token);
        ManagedObjectContext* context
            = m_outlets.managedObjectContext ? m_outlets.managedObjectContext() : nullptr;
        ManagedObject* recipe = context ? context->objectRegisteredForID(id) : nullptr;
        auto* kept = dynamic_cast<RecipeMO*>(recipe);
        if (!kept || kept->isDeleted())
            return;
        if (m_outlets.pageIsEditing && m_outlets.pageIsEditing() && m_outlets.shownRecipe
            && m_outlets.shownRecipe() == kept)
            return;
        kept->setEditingKeyWithNumber(false);
    });
    m_editingEnds.append(*token);
    return true;
}

void RecipeTableDelegate::selectionDidChange(qsizetype selectedCount)
{
    if (!m_outlets.setRulersVisible)
        return;
    if (selectedCount >= 2)
        m_outlets.setRulersVisible(false);
    else if (selectedCount == 1 && m_outlets.pageIsEditing && m_outlets.pageIsEditing())
        m_outlets.setRulersVisible(true);
}
