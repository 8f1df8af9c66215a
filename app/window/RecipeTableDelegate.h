#pragma once

#include "ManagedObjectID.h"
#include "RunLoop.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ManagedObject;
class ManagedObjectContext;
class QMimeData;
class QTemporaryDir;

// What the recipe list does as a drag source and while its selection changes: dragged recipes go
// out as their object URIs (for the library window's own lists) and as Virtual Recipe Card files
// (for other programs), written into a private temporary folder as the drag starts and offered as
// file URLs; a drag that ends as a delete removes the recipes. While the recipe page is editing,
// a new selection first writes the edited card back into the shown recipe.
//
// Card files keep within their folder: a "/" in a recipe name becomes "-", leading dots go (no
// hidden files, no "." or ".."), an empty name becomes "Untitled Recipe", and a name taken already
// gets " 1", " 2" and so on before ".vrc". Drag folders are removed a while after their drag
// ended (destinations may still be copying) and at the latest when the delegate goes.
// Main thread only.
class RecipeTableDelegate
{
public:
    enum class DragOperation { None = 0, Copy = 1, Delete = 32 };
    // How long a finished drag's card files stay for destinations that copy them late.
    static constexpr double kDragFolderLifetime = 60.0;

    struct Outlets {
        // The recipe at an arranged row, or nullptr.
        std::function<ManagedObject*(qsizetype row)> recipeAtRow;
        std::function<ManagedObjectContext*()> managedObjectContext;
        // Whether the recipe page is editing, and writing its edited card into the shown recipe.
        std::function<bool()> pageIsEditing;
        std::function<void()> writeEditedCardBack;
        std::function<ManagedObject*()> shownRecipe;
        std::function<void(bool visible)> setRulersVisible;
        // Where drag folders are made; empty: the system's temporary folder.
        std::function<QString()> temporaryFolder;
    };

    explicit RecipeTableDelegate(Outlets outlets);
    ~RecipeTableDelegate();
    RecipeTableDelegate(const RecipeTableDelegate&) = delete;
    RecipeTableDelegate& operator=(const RecipeTableDelegate&) = delete;

    // --- drags ---
    // The drag data of the rows' recipes, in row order: their object URIs, and the card files
    // written into a new drag folder as file URLs. Keeps a private copy of the URIs until the drag
    // ends. nullptr when no row holds a recipe.
    std::unique_ptr<QMimeData> writeRowsWithIndexes(const QList<qsizetype>& rows);
    // Writes the rows' recipes as card files into the folder; answers the names written.
    QStringList namesOfPromisedFilesDroppedAtDestination(const QString& folder, const QList<qsizetype>& rows);
    // A delete removes the dragged recipes from the library; any end drops the private copy and
    // schedules the drag folder's removal.
    void didFinishDragOperation(DragOperation operation);
    bool hasShadowDragPasteboard() const { return m_shadowDragPasteboard.has_value(); }
    // The folder of the drag under way, or of the last one while it is kept; empty when none.
    QString currentDragFolder() const;
    // A recipe name as a card file's name without its extension (see above).
    static QString safeFileStem(const QString& name);

    // --- selection ---
    // Always true. While the page is editing, any change but re-selecting the one selected row
    // first writes the card back and sets the shown recipe not editing 1.0 s later.
    bool shouldSelectRows(const QList<qsizetype>& current, const QList<qsizetype>& proposed);
    // Rulers hidden for several rows, shown for one while the page is editing.
    void selectionDidChange(qsizetype selectedCount);

private:
    struct DragFolder;
    void removeDragFolder(DragFolder* folder);

    Outlets m_outlets;
    std::optional<QList<QUrl>> m_shadowDragPasteboard;
    std::vector<std::unique_ptr<DragFolder>> m_dragFolders;
    QList<RunLoop::Token> m_editingEnds;
};
