#include "MainWindow.h"

#include "BackgroundView.h"
#include "CellRoles.h"
#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "CollectionsTreeModel.h"
#include "DropboxSharingInfoView.h"
#include "GrayBackgroundView.h"
#include "GrayButton.h"
#include "GroceryListPane.h"
#include "GroceryListView.h"
#include "JRFeedbackController.h"
#include "KRAboutWindow.h"
#include "KitchoraController.h"
#include "KitchoraExtensions.h"
#include "LineSplitView.h"
#include "ManagedObject.h"
#include "PolishedChrome.h"
#include "PolishedColumnHeaderCell.h"
#include "PolishedHeader.h"
#include "PreferencesController.h"
#include "Presenter.h"
#include "RecipeCardDocument.h"
#include "RecipeCollection.h"
#include "RecipeListColumns.h"
#include "RecipeListModel.h"
#include "RecipeTableDelegate.h"
#include "RecipeTableView.h"
#include "SplitViewRules.h"
#include "UndoManager.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

// A column whose children meet edge to edge, as the chrome's dividers expect.
QVBoxLayout* flushColumn(QWidget* owner)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

} // namespace

MainWindow::MainWindow(KitchoraController& controller, QWidget* parent)
    : PolishedWindow(parent)
    , m_controller(controller)
{
    setTitle(tr("Kitchora"));
    m_collectionsController = new CollectionsController(controller, this);
    m_controller.setCollectionsController(m_collectionsController);
    buildPanes();
    buildMenus();
    connect(this, &PolishedWindow::themedChanged, this, &MainWindow::themedDidChange);
    themedDidChange(themed());
    resize(1180, 760);
}

MainWindow::~MainWindow()
{
    if (&m_controller.collectionsController() == m_collectionsController)
        m_controller.setCollectionsController(nullptr);
    m_collectionsController->setRecipeTableColumns(nullptr);
    // The views go before the source list's controller they show.
    m_recipeTableView->setTableDelegate(nullptr);
    delete takeCentralWidget();
}

GrayButton* MainWindow::addButton(const QString& text, const QString& toolTip)
{
    auto* button = new GrayButton(text, m_bottomBar);
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);
    // Enabled where what they act on is there.
    button->setEnabled(false);
    button->resize(button->sizeHint());
    return button;
}

void MainWindow::buildBottomBar()
{
    m_bottomBar = new QWidget;
    m_bottomBar->setObjectName(QStringLiteral("bottomBar"));
    m_bottomBar->setFixedHeight(int(PolishedChrome::kBottomBorderThickness));
    m_bottomBarBackground = new GrayBackgroundView(m_bottomBar);
    m_bottomBarBackground->lower();
    m_bottomBar->installEventFilter(this);

    m_addRecipeButton = addButton(QStringLiteral("+"), tr("Add a recipe"));
    m_addGroceryListButton = addButton(QStringLiteral("+≡"), tr("Add a grocery list"));
    m_addCollectionButton = addButton(QStringLiteral("+▤"), tr("Add a collection"));
    m_addCollectionButton->setEnabled(true);
    connect(m_addCollectionButton, &QPushButton::clicked, this,
        [this] { m_collectionsController->newCollection(); });
    m_importButton = addButton(tr("Import"), tr("Import recipes"));
    m_importButton->setEnabled(m_controller.importWindow() != nullptr);
    connect(m_importButton, &QPushButton::clicked, this, [this] { m_controller.openImportWindow(); });
}

void MainWindow::buildPanes()
{
    buildBottomBar();

    // Left: the source list under its column header.
    m_collections = &m_collectionsController->collectionsModel();
    m_collectionsOutlineView = new CollectionsOutlineView(*m_collectionsController);
    m_collectionsOutlineView->setFrameShape(QFrame::NoFrame);
    auto* outlineHeader = new PolishedColumnHeaderCell(Qt::Horizontal, m_collectionsOutlineView);
    m_collectionsOutlineView->setHeader(outlineHeader);
    outlineHeader->setStretchLastSection(true);
    outlineHeader->setSectionsClickable(false);
    outlineHeader->show();
    // Above the vertical scroller the header goes on, untitled.
    auto* corner = new PolishedHeader;
    corner->setTitle(QStringLiteral(" "));
    corner->setFixedHeight(outlineHeader->sizeHint().height());
    m_collectionsOutlineView->addScrollBarWidget(corner, Qt::AlignTop);
    QWidget* leftPane = m_collectionsOutlineView;
    leftPane->setMinimumWidth(0);

    // Middle: the header over the recipe list or the grocery lists.
    auto* middlePane = new QWidget;
    auto* middleLayout = flushColumn(middlePane);
    m_tableHeader = new PolishedHeader;
    middleLayout->addWidget(m_tableHeader);
    RecipeArrayController::Outlets outlets;
    outlets.selectedCollection = [this] { return selectedCollection(); };
    outlets.presenter = &m_controller.presenter();
    outlets.beep = [] { QApplication::beep(); };
    outlets.recipePageEditable = [this] { return m_controller.recipeController().editable(); };
    outlets.editRecipe = [this] { m_controller.recipeController().edit(); };
    m_recipeArrayController = std::make_unique<RecipeArrayController>(std::move(outlets));
    connect(m_addRecipeButton, &QPushButton::clicked, this, [this] {
        if (m_recipeArrayController->canAdd())
            m_recipeArrayController->add();
    });
    m_recipeArrayController->setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
    m_recipes = std::make_unique<RecipeListModel>(*m_recipeArrayController);
    m_recipeListColumns = std::make_unique<RecipeListColumns>(*m_recipes);
    m_collectionsController->setRecipeTableColumns(m_recipeListColumns.get());
    m_recipeTableView = new RecipeTableView;
    m_recipeTableView->setFrameShape(QFrame::NoFrame);
    auto* columnHeader = new PolishedColumnHeaderCell(Qt::Horizontal, m_recipeTableView);
    // Clicking a column's header sorts by it, as with the table's own header.
    columnHeader->setSectionsClickable(true);
    columnHeader->setHighlightSections(true);
    m_recipeTableView->setHorizontalHeader(columnHeader);
    m_recipeTableView->setSelectedCollection([this] { return selectedCollection(); });
    m_recipeTableView->bindContent(
        m_recipeArrayController.get(), QStringLiteral("arrangedObjects"), m_recipes.get());
    RecipeTableDelegate::Outlets tableOutlets;
    tableOutlets.recipeAtRow = [this](qsizetype row) { return m_recipeArrayController->recipeAt(row); };
    tableOutlets.managedObjectContext = [this] { return m_controller.managedObjectContext(); };
    tableOutlets.pageIsEditing = [this] { return m_controller.recipeController().editable(); };
    tableOutlets.writeEditedCardBack = [this] { m_controller.recipeController().writeEditedCardBack(); };
    tableOutlets.shownRecipe = [this] { return m_controller.recipeController().currentRecipe(); };
    tableOutlets.setRulersVisible
        = [this](bool visible) { m_controller.recipeController().setRulersVisible(visible); };
    m_recipeTableDelegate = std::make_unique<RecipeTableDelegate>(std::move(tableOutlets));
    m_recipeTableView->setTableDelegate(m_recipeTableDelegate.get());
    m_recipeTableView->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    m_recipeTableView->setShowGrid(false);
    m_recipeTableView->setAlternatingRowColors(true);
    m_recipeTableView->verticalHeader()->hide();
    m_recipeTableView->verticalHeader()->setDefaultSectionSize(m_recipeTableView->fontMetrics().height() + 6);
    m_recipeTableView->horizontalHeader()->setStretchLastSection(true);
    m_recipeCount = new QLabel;
    m_recipeCount->setAlignment(Qt::AlignCenter);
    m_recipeArrayController->addObserver([this](ArrayController::Change change) {
        if (change == ArrayController::Change::Arrangement)
            m_recipeCount->setText(recipeCountText());
    });
    auto* recipeListPane = new QWidget;
    auto* recipeListLayout = flushColumn(recipeListPane);
    recipeListLayout->addWidget(m_recipeTableView, 1);
    recipeListLayout->addWidget(m_recipeCount);
    m_groceryListsContainer = new QWidget;
    m_viewerBackground = new QStackedWidget;
    m_viewerBackground->addWidget(recipeListPane);
    m_viewerBackground->addWidget(m_groceryListsContainer);
    m_dropboxInfoView = new DropboxSharingInfoView;
    connect(m_dropboxInfoView, &DropboxSharingInfoView::openSharingPreferences, this, [this] {
        if (m_openSharingPreferences)
            m_openSharingPreferences();
    });
    m_viewerBackground->addWidget(m_dropboxInfoView);
    m_viewerBackgroundView = new BackgroundView;
    auto* viewerLayout = flushColumn(m_viewerBackgroundView);
    viewerLayout->addWidget(m_viewerBackground);
    middleLayout->addWidget(m_viewerBackgroundView, 1);
    middlePane->setMinimumWidth(int(RecipeTableViewMinWidth));

    // Right: the recipe page.
    m_recipeView = new QTextBrowser;
    m_recipeView->setOpenLinks(false);
    m_recipeView->document()->setDocumentMargin(18);
    m_recipeView->setMinimumWidth(int(RecipeViewerMinWidth));

    m_recipeViewSplitter = new LineSplitView(Qt::Horizontal);
    m_recipeViewSplitter->setObjectName(QStringLiteral("recipeViewSplitter"));
    m_recipeViewSplitter->addWidget(middlePane);
    m_recipePage = m_controller.recipeController().recipePage();
    if (m_recipePage) {
        m_recipePage->setMinimumWidth(int(RecipeViewerMinWidth));
        m_recipeView->setParent(this);
        m_recipeView->hide();
    }
    m_recipeViewSplitter->addWidget(m_recipePage ? m_recipePage : m_recipeView);
    m_recipeViewSplitter->setChildrenCollapsible(false);
    m_recipeViewSplitter->setStretchFactor(1, 1);
    m_recipeViewSplitter->setSizes({ 300, 600 });

    m_mainSplitter = new LineSplitView(Qt::Horizontal);
    m_mainSplitter->setObjectName(QStringLiteral("outlineViewSplitter"));
    m_mainSplitter->addWidget(leftPane);
    m_mainSplitter->addWidget(m_recipeViewSplitter);
    m_mainSplitter->setChildrenCollapsible(false);
    m_mainSplitter->setStretchFactor(1, 1);
    m_leftPaneWidth = 200;
    m_mainSplitter->setSizes({ int(m_leftPaneWidth), 900 });
    m_mainSplitter->installEventFilter(this);
    connect(m_mainSplitter, &QSplitter::splitterMoved, this,
        [this](int position, int) { constrainMainDivider(position); });
    middlePane->installEventFilter(this);
    m_recipeViewSplitter->widget(1)->installEventFilter(this);
    m_recipeViewSplitter->installEventFilter(this);

    // The content leaves the bottom edge to the bar with the buttons.
    auto* content = new QWidget;
    auto* contentLayout = flushColumn(content);
    contentLayout->addWidget(m_mainSplitter, 1);
    contentLayout->addWidget(m_bottomBar);
    setCentralWidget(content);

    connect(m_collectionsController, &CollectionsController::selectedCollectionChanged, this,
        &MainWindow::collectionSelectionChanged);
    connect(m_recipeTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MainWindow::recipeSelectionChanged);
    connect(m_collectionsController, &CollectionsController::selectedCollectionChanged, this,
        &MainWindow::updatePrintingTarget);
    setGroceryListsTableHidden(true);
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    m_printAction = file->addAction(tr("&Print…"), this, [this] { print(); });
    m_printAction->setShortcut(QKeySequence::Print);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit Kitchora"), this, [this] { close(); });
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = edit->addAction(tr("&Undo"), this, [this] { undoOrRedo(true); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = edit->addAction(tr("&Redo"), this, [this] { undoOrRedo(false); });
    redo->setShortcut(QKeySequence::Redo);
    edit->addSeparator();
    m_deleteMenuAction = edit->addAction(tr("Delete"), this, [this] {
        if (QAction* target = focusedDeleteAction(); target && target->isEnabled())
            target->trigger();
    });
    m_preferencesAction
        = edit->addAction(tr("Prefere&nces…"), this, [this] { preferencesController().showWindow(); });
    m_preferencesAction->setShortcut(QKeySequence::Preferences);
    m_preferencesAction->setMenuRole(QAction::PreferencesRole);
    connect(edit, &QMenu::aboutToShow, this, [this, undo, redo] {
        const UndoManager* manager = m_controller.undoManager();
        undo->setEnabled(manager && manager->canUndo());
        redo->setEnabled(manager && manager->canRedo());
        validateDeleteMenuAction();
    });

    QMenu* recipe = menuBar()->addMenu(tr("&Recipe"));
    m_recipeMenu = recipe;
    QAction* editRecipe
        = recipe->addAction(tr("&Edit Recipe"), this, [this] { m_controller.recipeController().edit(); });
    editRecipe->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    // Cooking mode for the shown recipe; again (or Escape inside it) to leave.
    QAction* cook = recipe->addAction(
        tr("&Cook Full Screen"), this, [this] { m_controller.recipeController().toggleFullScreen(); });
    cook->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    buildFileActions(file, recipe);

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    QAction* minimize = window->addAction(tr("&Minimize"), this, [this] { showMinimized(); });
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    window->addSeparator();
    window->addAction(tr("Kitchora"), this, [this] {
        showNormal();
        raise();
        activateWindow();
    });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* helpAction = help->addAction(tr("Kitchora Help"), this, [this] { showHelp(); });
    helpAction->setShortcut(QKeySequence::HelpContents);
    help->addAction(
        tr("Send Feedback…"), this, [this] { JRFeedbackController::showFeedback(m_controller.presenter()); });
    QAction* about = help->addAction(tr("About Kitchora"), this, [] { KRAboutWindow::showAboutWindow(); });
    about->setMenuRole(QAction::AboutRole);
}

PreferencesController& MainWindow::preferencesController()
{
    if (!m_preferencesController) {
        m_preferencesController = std::make_unique<PreferencesController>(
            m_controller, m_controller.presenter(), [this] { m_collectionsController->showHiddenDevices(); });
    }
    return *m_preferencesController;
}

void MainWindow::showHelp()
{
    if (!m_helpWindow) {
        m_helpWindow = new QTextBrowser;
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_helpWindow->setWindowTitle(tr("Kitchora Help"));
        m_helpWindow->setOpenExternalLinks(true);
        m_helpWindow->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
        m_helpWindow->resize(640, 560);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void MainWindow::undoOrRedo(bool undo)
{
    UndoManager* manager = m_controller.undoManager();
    if (!manager)
        return;
    if (undo && manager->canUndo())
        manager->undo();
    else if (!undo && manager->canRedo())
        manager->redo();
    else
        return;
    reloadLibrary();
}

// --- selection ---

void MainWindow::reloadLibrary()
{
    ManagedObject* collection = selectedCollection();
    ManagedObject* recipe = selectedRecipe();
    m_collectionsController->collectionsTreeController().rearrangeObjects();
    m_collectionsOutlineView->expandToDepth(0);
    if (!m_collections->indexOf(collection).isValid())
        collection = nullptr;
    selectCollection(collection);
    const qsizetype row = m_recipeArrayController->indexOfRecipe(recipe);
    if (recipe && row >= 0)
        selectRecipeRow(int(row));
}

void MainWindow::selectCollection(ManagedObject* collection)
{
    QModelIndex index = m_collections->indexOf(collection);
    if (!index.isValid())
        index = m_collections->indexOf(
            m_controller.managedObjectContext() ? m_controller.libraryCollection() : nullptr);
    if (!index.isValid())
        index = m_collections->index(0, 0);
    // Selecting the row already selected changes nothing: refresh the lists by hand.
    ManagedObject* wanted = m_collections->collectionAt(index);
    if (wanted && m_collectionsController->selectedCollection() != wanted)
        m_collectionsController->selectCollection(wanted);
    else
        m_collectionsController->selectionDidChange();
}

ManagedObject* MainWindow::selectedCollection() const
{
    return m_collectionsController->selectedCollection();
}

ManagedObject* MainWindow::selectedRecipe() const
{
    const QList<int> rows = m_recipeTableView->selectedRows();
    return rows.isEmpty() ? nullptr : m_recipeArrayController->recipeAt(rows.first());
}

QString MainWindow::recipeCountText() const
{
    return m_recipeArrayController->itemCountString();
}

bool MainWindow::deviceCollectionSelected() const
{
    const auto* collection = dynamic_cast<const RecipeCollection*>(selectedCollection());
    return collection && collection->isDeviceCollection();
}

void MainWindow::collectionSelectionChanged()
{
    // Another collection ends the recipe page's editing, so the card is written back first.
    if (m_controller.recipeController().editable())
        m_controller.recipeController().edit();
    const auto* collection = dynamic_cast<const RecipeCollection*>(selectedCollection());
    setGroceryListsTableHidden(!collection || !collection->isGroceryListsCollection());
    m_recipeArrayController->setCollection(selectedCollection());
    m_addRecipeButton->setEnabled(m_recipeArrayController->canAdd());
    selectRecipeRow(0);
    if (m_recipePage)
        m_controller.recipeController().observedSelectionDidChange(
            RecipeControllerService::ObservedController::Collections, QStringLiteral("selection"));
}

bool MainWindow::dropboxInfoViewShown() const
{
    return m_viewerBackground->currentWidget() == m_dropboxInfoView;
}

QAction* MainWindow::focusedDeleteAction()
{
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget->window() != this)
            return nullptr;
        if (auto* table = qobject_cast<DeletableTableView*>(widget)) {
            table->validateDeleteAction();
            return table->deleteAction();
        }
        if (auto* outline = qobject_cast<CollectionsOutlineView*>(widget)) {
            outline->updateDeleteAction();
            return outline->deleteAction();
        }
    }
    return nullptr;
}

void MainWindow::validateDeleteMenuAction()
{
    const QAction* target = focusedDeleteAction();
    m_deleteMenuAction->setText(target ? target->text() : tr("Delete"));
    m_deleteMenuAction->setEnabled(target && target->isEnabled());
}

void MainWindow::selectRecipeRow(int row)
{
    m_recipeArrayController->setSelectionIndexes({ row });
    if (m_recipeArrayController->selectionIndexes().isEmpty())
        showRecipe(nullptr);
}

void MainWindow::recipeSelectionChanged()
{
    showRecipe(selectedRecipe());
}

void MainWindow::showRecipe(ManagedObject* recipe)
{
    if (m_recipePage) {
        m_controller.recipeController().observedSelectionDidChange(
            RecipeControllerService::ObservedController::RecipeList, QStringLiteral("selection"));
        return;
    }
    if (!recipe || !m_groceryListsTableHidden) {
        m_recipeView->clear();
        return;
    }
    RecipeCardDocument::fill(m_recipeView->document(), RecipeCardDocument::cardOf(recipe));
}

void MainWindow::setGroceryListsTableHidden(bool hidden)
{
    m_groceryListsTableHidden = hidden;
    m_tableHeader->setTitle(tableHeaderTitle());
    // A device collection shows what sharing does in place of the recipe list and its header.
    const bool device = hidden && deviceCollectionSelected();
    m_tableHeader->setHidden(device);
    // The add button of the list that shows.
    m_addRecipeButton->setVisible(hidden);
    m_addGroceryListButton->setVisible(!hidden);
    m_viewerBackground->setCurrentWidget(device
            ? static_cast<QWidget*>(m_dropboxInfoView)
            : (hidden ? m_recipeTableView->parentWidget() : m_groceryListsContainer));
    if (m_recipeViewerStack)
        m_recipeViewerStack->setCurrentIndex(hidden ? 0 : 1);
    updatePrintingTarget();
}

QString MainWindow::tableHeaderTitle() const
{
    return SplitViewRules::tableHeaderTitle(m_groceryListsTableHidden);
}

void MainWindow::setGroceryListPane(GroceryListPane* pane)
{
    if (!pane || m_groceryListPane)
        return;
    m_groceryListPane = pane;
    m_addGroceryListButton->setEnabled(true);
    connect(m_addGroceryListButton, &QPushButton::clicked, pane, &GroceryListPane::newGroceryList);
    auto* layout = flushColumn(m_groceryListsContainer);
    layout->addWidget(pane);
    m_recipeViewerStack = new QStackedWidget;
    m_recipeViewerStack->setMinimumWidth(int(RecipeViewerMinWidth));
    // The stack takes the recipe page's place and holds it: the editable page where there is one.
    QWidget* page = m_recipePage ? m_recipePage : static_cast<QWidget*>(m_recipeView);
    m_recipeViewSplitter->replaceWidget(1, m_recipeViewerStack);
    m_recipeViewerStack->installEventFilter(this);
    m_recipeViewerStack->addWidget(page);
    page->show();
    m_recipeViewerStack->addWidget(pane->groceryListView());
    pane->groceryListView()->show();
    // Lists dragged from the table onto a device in the source list.
    m_collectionsController->setGroceryListsTableView(pane->listsTableView());
    setGroceryListsTableHidden(m_groceryListsTableHidden);
}

void MainWindow::setSearchController(SearchControllerService* search)
{
    if (!search || m_searchController)
        return;
    QWidget* middlePane = m_viewerBackgroundView->parentWidget();
    auto* layout = middlePane ? qobject_cast<QVBoxLayout*>(middlePane->layout()) : nullptr;
    if (!layout)
        return;
    m_searchController = search;
    const int index = layout->indexOf(m_viewerBackgroundView);
    if (QWidget* pane = search->searchPane(m_viewerBackgroundView))
        layout->insertWidget(index, pane, 1);
    connect(m_collectionsController, &CollectionsController::selectedCollectionChanged, this, [this] {
        if (m_searchController)
            m_searchController->outlineViewAction();
    });
}

// --- window ---

void MainWindow::windowDidBecomeMain()
{
    const bool storeMayChange = m_controller.isSetupSheetPending();
    m_controller.mainWindowDidBecomeMain();
    m_controller.fetchDropboxContents();
    if (storeMayChange)
        reloadLibrary();
}

bool MainWindow::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        windowDidBecomeMain();
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        updatePrintingTarget();
    return handled;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_controller.applicationShouldTerminate() == KitchoraController::TerminateReply::Cancel) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the library window quits.
    QCoreApplication::quit();
}

void MainWindow::centerWindow()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

QString MainWindow::outlineAutosaveName() const
{
    return QStringLiteral("CollectionsOutlineView");
}

// Folders are told apart by their object URI, which reordering and renaming leave alone.
static QVariant collectionURI(const QModelIndex& item)
{
    const auto* object = dynamic_cast<const ManagedObject*>(
        item.data(CellRoles::RepresentedObjectRole).value<KeyValueCoding*>());
    return object ? QVariant(object->objectID().URIRepresentation().toString()) : QVariant();
}

QVariantList MainWindow::expandedStateArray() const
{
    return KitchoraExtensions::expandedStateArray(*m_collectionsOutlineView, collectionURI)
        .value_or(QVariantList());
}

void MainWindow::restoreExpandedStateFromArray(const QVariantList& state)
{
    KitchoraExtensions::restoreExpandedStateFromArray(*m_collectionsOutlineView, state, collectionURI);
}

// --- split views ---

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mainSplitter && event->type() == QEvent::Resize) {
        // The splitter lays out first; the rules then correct what it did.
        QMetaObject::invokeMethod(this, &MainWindow::applyMainSplitterResizeRules, Qt::QueuedConnection);
    }
    // The middle pane and the recipe page move with the dividers; the buttons follow them.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Move)
        && (watched == m_bottomBar || watched == m_recipeViewSplitter
            || (m_recipeViewSplitter
                && (watched == m_recipeViewSplitter->widget(0)
                    || watched == m_recipeViewSplitter->widget(1)))))
        layoutBottomBar();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::layoutBottomBar()
{
    if (!m_bottomBar || !m_recipeViewSplitter || m_recipeViewSplitter->count() < 2)
        return;
    m_bottomBarBackground->setGeometry(m_bottomBar->rect());
    const QWidget* middle = m_recipeViewSplitter->widget(0);
    const QWidget* page = m_recipeViewSplitter->widget(1);
    // Both panes sit in the window's content, which the bar spans from its left edge.
    const QWidget* content = m_bottomBar->parentWidget();
    if (!content)
        return;
    const double middleX = middle->mapTo(content, QPoint(0, 0)).x();
    const double pageX = page->mapTo(content, QPoint(0, 0)).x();
    const SplitViewRules::BottomBarButtons<QRectF> frames
        = SplitViewRules::bottomBarFrames(middleX, pageX, m_bottomBar->height(),
            { QSizeF(m_addCollectionButton->size()), QSizeF(m_addRecipeButton->size()),
                QSizeF(m_addGroceryListButton->size()), QSizeF(m_importButton->size()) });
    m_addCollectionButton->setGeometry(frames.addCollection.toRect());
    m_addRecipeButton->setGeometry(frames.addRecipe.toRect());
    m_addGroceryListButton->setGeometry(frames.addGroceryList.toRect());
    m_importButton->setGeometry(frames.importButton.toRect());
}

void MainWindow::themedDidChange(bool themed)
{
    // The themed window paints its own bottom bar behind the buttons.
    m_bottomBarBackground->setVisible(!themed);
}

void MainWindow::applyMainSplitterResizeRules()
{
    if (m_applyingRules)
        return;
    m_applyingRules = true;
    const double innerDivider = m_recipeViewSplitter->handleWidth();
    const double mainDivider = m_mainSplitter->handleWidth();
    const SplitViewRules::PaneFrames frames = SplitViewRules::resizeMainSplitter(
        QSizeF(m_mainSplitter->size()), m_leftPaneWidth, innerDivider, mainDivider);
    m_mainSplitter->setSizes({ qRound(frames.left.width()), qRound(frames.right.width()) });
    m_leftPaneWidth = m_mainSplitter->sizes().value(0);
    m_applyingRules = false;
}

void MainWindow::constrainMainDivider(int position)
{
    const double width = m_mainSplitter->width();
    const double minimum = SplitViewRules::minimumDividerPosition();
    const double maximum = SplitViewRules::maximumDividerPosition(
        width, m_recipeViewSplitter->handleWidth(), deviceCollectionSelected());
    double constrained = std::min<double>(position, maximum);
    constrained = std::max(constrained, minimum);
    if (qRound(constrained) != position) {
        const int left = qRound(constrained);
        m_mainSplitter->setSizes({ left, std::max(0, int(width) - left - m_mainSplitter->handleWidth()) });
    }
    m_leftPaneWidth = m_mainSplitter->sizes().value(0);
}

SplitViewRules::PrintingTarget MainWindow::printingTarget() const
{
    return SplitViewRules::printingTarget(isActiveWindow(), m_groceryListsTableHidden);
}

void MainWindow::updatePrintingTarget()
{
    if (!m_printAction)
        return;
    // The grocery list pane prints once it exists; until then only the recipe page does.
    m_printAction->setEnabled(printingTarget() == SplitViewRules::PrintingTarget::RecipeTextView
        || (printingTarget() == SplitViewRules::PrintingTarget::GroceryListView && m_groceryListPane));
}

void MainWindow::print()
{
    if (printingTarget() == SplitViewRules::PrintingTarget::GroceryListView && m_groceryListPane) {
        m_groceryListPane->groceryListView()->print();
        return;
    }
    if (printingTarget() != SplitViewRules::PrintingTarget::RecipeTextView)
        return;
    // The recipe page prints the shown card itself (and counts the cooking).
    if (m_recipePage) {
        m_controller.recipeController().printRecipePage(
            [this](QPrinter& printer) { return m_controller.presenter().runPrintPanel(printer); });
        return;
    }
    QPrinter printer;
    printer.setDocName(
        selectedRecipe() ? selectedRecipe()->valueForKey(QStringLiteral("name")).toString() : tr("Recipe"));
    if (m_controller.presenter().runPrintPanel(printer))
        m_recipeView->document()->print(&printer);
}
