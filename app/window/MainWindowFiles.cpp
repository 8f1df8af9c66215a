// The library window's part in opening, exporting and sharing: the menu items, the picture panel,
// and what the application controller asks of the window for them.

#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "ImagePanel.h"
#include "KitchoraController.h"
#include "MainWindow.h"
#include "ManagedObject.h"
#include "RecipeArrayController.h"
#include "RecipeCollection.h"
#include "RecipeSharingService.h"
#include "RecipeTableView.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTextBrowser>
#include <algorithm>

void MainWindow::buildFileActions(QMenu* file, QMenu* recipe)
{
    QAction* open = new QAction(tr("&Open…"), file);
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { m_controller.openAction(); });
    QAction* importText = new QAction(tr("&Import…"), file);
    importText->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    importText->setEnabled(m_controller.importWindow() != nullptr);
    connect(importText, &QAction::triggered, this, [this] { m_controller.openImportWindow(); });
    QAction* importDatabase = new QAction(tr("Import MacGourmet Database…"), file);
    connect(importDatabase, &QAction::triggered, this, [this] { m_controller.importMacGourmetAction(); });
    QAction* save = new QAction(tr("&Save"), file);
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, [this] { m_controller.saveAction(); });
    QAction* exportAction = new QAction(tr("&Export…"), file);
    exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    connect(exportAction, &QAction::triggered, this, [this] { m_controller.exportAction(); });
    // Before Print, in the order a File menu has them.
    QAction* print = m_printAction;
    file->insertActions(print, { open, importText, importDatabase });
    file->insertSeparator(print);
    file->insertActions(print, { save, exportAction });
    file->insertSeparator(print);

    recipe->addAction(tr("Choose Picture…"), this, [this] {
        m_controller.openImage();
        if (m_imagePanel)
            m_imagePanel->setRecipe(m_controller.currentRecipe());
    });
    recipe->addAction(tr("Show Picture Panel"), this, [this] { showImagePanel(); });
    recipe->addSeparator();
    recipe->addAction(tr("Add Ingredient…"), this, [this] { m_controller.addIngredient(); });
    recipe->addAction(tr("About Ingredient Amounts"), this, [this] { showIngredientAmountHelp(); });
    recipe->addSeparator();
    recipe->addAction(tr("Share on the Web"), this, [this] { m_controller.addToOnline(); });
    recipe->addAction(tr("Upload Picture to the Web"), this, [this] { m_controller.addImageToOnline(); });
    recipe->addSeparator();
    m_blogRecipeAction = recipe->addAction(tr("Blog this Recipe…"), this, [this] {
        if (m_recipeSharing)
            m_recipeSharing->blogRecipe(nullptr);
    });
    m_emailRecipeAction = recipe->addAction(tr("Email this Recipe…"), this, [this] {
        if (m_recipeSharing)
            m_recipeSharing->emailRecipe(nullptr);
    });
    setRecipeSharing(m_recipeSharing);

    // Recipes came in or moved: the lists read the store again.
    m_collectionContentObserver = ScopedObserver(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(KRCollectionContentChangedNotification, nullptr,
            [this](const Notification&) { reloadLibrary(); }));
    connect(m_recipeTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_imagePanel)
            m_imagePanel->setRecipe(m_controller.currentRecipe());
    });
}

void MainWindow::setRecipeSharing(RecipeSharingService* sharing)
{
    m_recipeSharing = sharing;
    for (QAction* action : { m_blogRecipeAction, m_emailRecipeAction }) {
        if (action)
            action->setEnabled(sharing != nullptr);
    }
}

QList<ManagedObject*> MainWindow::selectedRecipes() const
{
    QList<int> rows = m_recipeTableView->selectedRows();
    std::sort(rows.begin(), rows.end());
    QList<ManagedObject*> recipes;
    for (int row : rows) {
        if (ManagedObject* recipe = m_recipeArrayController->recipeAt(row))
            recipes.append(recipe);
    }
    return recipes;
}

void MainWindow::selectRecipe(ManagedObject* recipe)
{
    if (!recipe)
        return;
    // The library when the recipe is in it, else its first collection by index.
    ManagedObject* library = m_controller.libraryCollection();
    QList<ManagedObject*> collections
        = recipe->mutableSetValueForKey(QStringLiteral("collections")).allObjects();
    ManagedObject* collection = nullptr;
    if (collections.contains(library)) {
        collection = library;
    } else if (!collections.isEmpty()) {
        collection = *std::min_element(
            collections.begin(), collections.end(), [](ManagedObject* a, ManagedObject* b) {
                return a->valueForKey(QStringLiteral("index")).toLongLong()
                    < b->valueForKey(QStringLiteral("index")).toLongLong();
            });
    }
    reloadLibrary();
    selectCollection(collection);
    const qsizetype row = m_recipeArrayController->indexOfRecipe(recipe);
    if (row >= 0)
        selectRecipeRow(int(row));
}

void MainWindow::showIngredientAmountHelp()
{
    showHelp();
    if (m_helpWindow)
        m_helpWindow->scrollToAnchor(QStringLiteral("helpTopic36"));
}

void MainWindow::showImagePanel()
{
    if (!m_imagePanel)
        m_imagePanel = new ImagePanel(this);
    m_imagePanel->setRecipe(m_controller.currentRecipe());
    m_imagePanel->show();
    m_imagePanel->raise();
    m_imagePanel->activateWindow();
    m_imagePanel->setFocus();
}

void MainWindow::closeImagePanel()
{
    if (m_imagePanel)
        m_imagePanel->close();
}
