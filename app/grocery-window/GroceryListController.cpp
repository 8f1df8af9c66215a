#include "GroceryListController.h"

#include "DropboxService.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "GroceryListsFile.h"
#include "KitchoraController.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "MailComposer.h"
#include "MakerAddresses.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "Presenter.h"
#include "RecipeCollection.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "RunLoop.h"
#include "UserDefaults.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QPointer>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("GroceryListController", english);
}

QVariant variantOf(const GroceryListPtr& list)
{
    return QVariant::fromValue(list);
}

// The managed object a menu sender stands for: the sender itself, or the data of the QAction
// that sent the command.
ManagedObject* representedObject(const QVariant& sender)
{
    if (sender.metaType() == QMetaType::fromType<ManagedObject*>())
        return sender.value<ManagedObject*>();
    if (auto* action = qobject_cast<QAction*>(sender.value<QObject*>())) {
        const QVariant data = action->data();
        if (data.metaType() == QMetaType::fromType<ManagedObject*>())
            return data.value<ManagedObject*>();
    }
    return nullptr;
}

} // namespace

GroceryListController::GroceryListController(Presenter& presenter, QObject* parent)
    : QObject(parent)
    , m_presenter(presenter)
{
    configureListsController();
    configureItemController();
}

GroceryListController::~GroceryListController() = default;

void GroceryListController::setFolder(const QString& folder)
{
    m_file = std::make_unique<GroceryListsFile>(folder);
    QPointer<GroceryListController> self(this);
    // Told while the lists are read at start: shown once the window is up.
    m_file->setUnreadableFileHandler([self](const Error& error) {
        RunLoop::postToMain([self, error] {
            if (self)
                self->m_presenter.presentError(error);
        });
    });
}

GroceryList* GroceryListController::listOf(const QVariant& object)
{
    return object.value<GroceryListPtr>().data();
}

void GroceryListController::configureListsController()
{
    DNDArrayController& lists = m_listsArrayController;
    lists.setObjectClass(GroceryListClassName);
    lists.setOutlets({ nullptr, &m_presenter, {} });
    lists.setValueForKeyPath([](const QVariant& object, const QString& key) -> QVariant {
        const GroceryList* list = listOf(object);
        if (!list)
            return {};
        if (key == QLatin1String("name"))
            return list->name();
        if (key == QLatin1String("date"))
            return list->date();
        if (key == QLatin1String("countItems"))
            return list->countItems();
        return {};
    });
    lists.setPropertyListRepresentation([](const QVariant& object) -> QVariant {
        const GroceryList* list = listOf(object);
        return list ? QVariant(list->propertyListRepresentation()) : QVariant();
    });
    lists.setObjectWithPropertyListRepresentation([](const QVariant& plist) -> QVariant {
        if (plist.typeId() != QMetaType::QVariantMap)
            return {};
        return variantOf(GroceryListPtr::create(plist.toMap()));
    });
    lists.setObjectMaker([] { return variantOf(GroceryListPtr::create()); });
    lists.addObserver([this](ArrayController::Change change) {
        showSelectedList();
        if (change == ArrayController::Change::Arrangement)
            emit listsChanged();
    });
}

void GroceryListController::configureItemController()
{
    DNDArrayController& items = m_itemArrayController;
    items.setObjectClass(QStringLiteral("GroceryItem"));
    items.setOutlets(
        { nullptr, &m_presenter, [this](DNDArrayController&, qsizetype) { m_justAdded = true; } });
    items.setPropertyListRepresentation([](const QVariant& object) { return object; });
    items.setObjectWithPropertyListRepresentation([](const QVariant& plist) -> QVariant {
        if (plist.typeId() != QMetaType::QVariantMap)
            return {};
        return GroceryItem(plist.toMap()).propertyListRepresentation();
    });
    items.setObjectMaker([this]() -> QVariant {
        // Items belong to a list: with none shown there is nowhere to add one.
        if (!m_shownList)
            return {};
        return GroceryItem().propertyListRepresentation();
    });
    items.addObserver([this](ArrayController::Change change) {
        if (change == ArrayController::Change::Arrangement && !m_loadingItems)
            writeItemsBack();
    });
}

void GroceryListController::setTableViews(const void* listsTable, const void* itemTable)
{
    m_listsArrayController.setOutlets({ listsTable, &m_presenter, {} });
    m_itemArrayController.setOutlets(
        { itemTable, &m_presenter, [this](DNDArrayController&, qsizetype) { m_justAdded = true; } });
}

QList<GroceryList*> GroceryListController::listsArray() const
{
    QList<GroceryList*> lists;
    for (const QVariant& object : m_listsArrayController.content()) {
        if (GroceryList* list = listOf(object))
            lists.append(list);
    }
    return lists;
}

// --- the item controller follows the selected list ---

void GroceryListController::showSelectedList()
{
    const QVariantList selected = m_listsArrayController.selectedObjects();
    const GroceryListPtr list
        = selected.isEmpty() ? GroceryListPtr() : selected.last().value<GroceryListPtr>();
    if (list == m_shownList)
        return;
    disconnect(m_shownListConnection);
    m_shownList = list;
    if (m_shownList) {
        m_shownListConnection = connect(m_shownList.data(), &GroceryList::itemsChanged, this, [this] {
            if (!m_writingItems)
                loadItems(true);
        });
    }
    m_justAdded = false;
    loadItems(false);
    emit selectedGroceryListChanged(m_shownList.data());
}

void GroceryListController::loadItems(bool keepSelection)
{
    const QList<qsizetype> selection = m_itemArrayController.selectionIndexes();
    QVariantList content;
    if (m_shownList) {
        for (const GroceryItem& item : m_shownList->items())
            content.append(item.propertyListRepresentation());
    }
    m_loadingItems = true;
    m_itemArrayController.setContent(content);
    m_itemArrayController.setSelectionIndexes(keepSelection ? selection : QList<qsizetype>());
    m_loadingItems = false;
}

void GroceryListController::writeItemsBack()
{
    if (!m_shownList)
        return;
    QList<GroceryItem> items;
    for (const QVariant& object : m_itemArrayController.arrangedObjects())
        items.append(GroceryItem(object.toMap()));
    m_writingItems = true;
    m_shownList->setItems(items);
    m_writingItems = false;
}

void GroceryListController::setValueForItemAtIndex(qsizetype index, const QString& key, const QVariant& value)
{
    if (!m_shownList || index < 0 || index >= m_shownList->items().size())
        return;
    GroceryItem item = m_shownList->items().at(index);
    if (key == QLatin1String("name"))
        item.setItemName(value.toString());
    else if (key == QLatin1String("amount"))
        item.setAmount(value.toString());
    else if (key == QLatin1String("haveit"))
        item.setHaveIt(value.toBool());
    else
        return;
    m_shownList->replaceItem(index, item);
}

// --- start and quit ---

void GroceryListController::awakeFromNib()
{
    if (m_awoken)
        return;
    m_awoken = true;
    m_justAdded = false;
    restoreGroceryListsFromProperyList();
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { applicationWillTerminate(); });
    fetchGroceryListsFromDropbox();
}

void GroceryListController::restoreGroceryListsFromProperyList()
{
    if (!m_file)
        return;
    QVariantList content = m_listsArrayController.content();
    for (std::unique_ptr<GroceryList>& list : m_file->restoreGroceryLists())
        content.append(variantOf(GroceryListPtr(list.release())));
    m_listsArrayController.setContent(content);
}

bool GroceryListController::applicationWillTerminate()
{
    if (!m_file)
        return false;
    // The folder is made with the library store; a store that could not be made leaves none.
    QDir().mkpath(QFileInfo(m_file->path()).absolutePath());
    QList<const GroceryList*> lists;
    for (const GroceryList* list : listsArray())
        lists.append(list);
    return m_file->writeGroceryLists(lists);
}

// --- the built-in collection and lists from devices ---

void GroceryListController::fetchGroceryListCollection()
{
    m_groceryListCollection = nullptr;
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context)
        return;
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
    request.setPredicate(*Predicate::predicateWithFormat(
        QStringLiteral("kind == %@"), { KRCollectionKindGroceryListsCollection }));
    Error error;
    const std::optional<QList<ManagedObject*>> found = context->executeFetchRequest(request, &error);
    if (!found) {
        m_presenter.presentError(error);
        return;
    }
    RecipeCollection* collection = nullptr;
    if (!found->isEmpty()) {
        collection = dynamic_cast<RecipeCollection*>(found->first());
    } else {
        collection = dynamic_cast<RecipeCollection*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("ManualCollection"), context));
        if (collection) {
            collection->setName(localized("Grocery Lists"));
            collection->setValueForKey(KRCollectionKindGroceryListsCollection, QStringLiteral("kind"));
        }
    }
    if (!collection)
        return;
    collection->setCollectionImageName(QStringLiteral("image_collection_grocery"));
    collection->setIndex(4);
    collection->setValueForKey(false, QStringLiteral("draggable"));
    m_groceryListCollection = collection;
}

void GroceryListController::fetchGroceryListsFromDropbox()
{
    if (!m_dropbox || UserDefaults::standardUserDefaults().boolForKey(QLMKitchoraDropboxSharingEnabledKey)
        || !m_dropbox->isLinked())
        return;
    QPointer<GroceryListController> self(this);
    m_dropbox->checkDropboxAndIfNewGroceriesProcessWithBlock([self](const QVariantList& plists) {
        if (!self)
            return;
        QVariantList content = self->m_listsArrayController.content();
        // Another device wrote these: anything but a dictionary is no list.
        for (const QVariant& plist : plists) {
            if (plist.typeId() == QMetaType::QVariantMap)
                content.append(variantOf(GroceryListPtr::create(plist.toMap())));
        }
        self->m_listsArrayController.setContent(content);
        // The device files are gone once read: the lists are kept on disk at once.
        if (!plists.isEmpty())
            self->applicationWillTerminate();
    });
}

// --- making lists ---

void GroceryListController::addGroceryList(const GroceryListPtr& list)
{
    if (!list)
        return;
    QVariantList content = m_listsArrayController.content();
    content.append(variantOf(list));
    m_listsArrayController.setContent(content);
}

GroceryList* GroceryListController::createNewGroceryList()
{
    const GroceryListPtr list = GroceryListPtr::create();
    addGroceryList(list);
    return list.data();
}

GroceryList* GroceryListController::createGroceryListWithRecipeIngredient(const RecipeIngredientMO* line)
{
    const GroceryListPtr list = GroceryListPtr::create();
    list->addRecipeIngredient(line, true);
    addGroceryList(list);
    selectGroceryList(list.data());
    return list.data();
}

GroceryList* GroceryListController::createGroceryListWithRecipe(RecipeMO* recipe)
{
    return createGroceryListWithRecipes(QList<RecipeMO*> { recipe });
}

GroceryList* GroceryListController::createGroceryListWithRecipes(const QList<RecipeMO*>& recipes)
{
    std::unique_ptr<GroceryList> made = GroceryList::groceryListWithRecipes(recipes);
    if (!made)
        return nullptr;
    const GroceryListPtr list(made.release());
    addGroceryList(list);
    selectGroceryList(list.data());
    return list.data();
}

void GroceryListController::createGroceryListWithRecipes(const QList<ManagedObject*>& recipes)
{
    QList<RecipeMO*> typed;
    for (ManagedObject* object : recipes) {
        if (auto* recipe = dynamic_cast<RecipeMO*>(object))
            typed.append(recipe);
    }
    createGroceryListWithRecipes(typed);
}

void GroceryListController::createGroceryList(const QVariant& sender)
{
    ManagedObject* represented = representedObject(sender);
    if (const auto* line = dynamic_cast<const RecipeIngredientMO*>(represented)) {
        createGroceryListWithRecipeIngredient(line);
        return;
    }
    if (auto* recipe = dynamic_cast<RecipeMO*>(represented)) {
        createGroceryListWithRecipe(recipe);
        return;
    }
    const QList<ManagedObject*> selected
        = m_outlets.selectedRecipes ? m_outlets.selectedRecipes() : QList<ManagedObject*>();
    if (!selected.isEmpty())
        createGroceryListWithRecipes(selected);
}

void GroceryListController::newGroceryList()
{
    selectGroceryList(createNewGroceryList());
}

void GroceryListController::selectGroceryList(GroceryList* list)
{
    if (m_outlets.selectCollection && m_groceryListCollection)
        m_outlets.selectCollection(m_groceryListCollection);
    for (const QVariant& object : m_listsArrayController.arrangedObjects()) {
        if (listOf(object) == list) {
            m_listsArrayController.setSelectedObjects({ object });
            return;
        }
    }
}

GroceryList* GroceryListController::selectedGroceryList() const
{
    const QVariantList selected = m_listsArrayController.selectedObjects();
    return selected.isEmpty() ? nullptr : listOf(selected.last());
}

QString GroceryListController::groceryListCountString() const
{
    const qsizetype count = m_listsArrayController.content().size();
    if (count == 1)
        return localized("1 Grocery List");
    return QStringLiteral("%1 %2").arg(count).arg(localized("Grocery Lists"));
}

// --- text, mail ---

MutableAttributedString GroceryListController::mutableAttributedStringForGroceryList(
    const GroceryList* list) const
{
    return list ? list->attributedString() : MutableAttributedString();
}

MutableAttributedString GroceryListController::mutableAttributedStringForSelectedGroceryList() const
{
    return mutableAttributedStringForGroceryList(selectedGroceryList());
}

QString GroceryListController::emailBodyForSelectedGroceryList() const
{
    const GroceryList* list = selectedGroceryList();
    if (!list)
        return {};
    return list->attributedString().string() + QStringLiteral("\n\n") + localized("Sent from Kitchora")
        + QStringLiteral(" <http://") + KRMakerWebAddress + QLatin1Char('>');
}

void GroceryListController::emailGroceryList()
{
    if (!selectedGroceryList())
        return;
    const QString body = emailBodyForSelectedGroceryList();
    auto failed = [this](const QString& reason) {
        Log::logf(QStringLiteral("email: error opening a new mail message: %1"), reason);
        Error error;
        error.domain = QStringLiteral("GroceryListController");
        error.code = 1;
        error.localizedDescription
            = localized("Kitchora could not open a new mail message. Check that a mail "
                        "program is set up as your preferred mail application.");
        m_presenter.presentError(error);
    };
    if (!m_outlets.sendMail)
        MailComposer::composeMail(mailSubject, body, failed, this);
    else if (!m_outlets.sendMail(mailSubject, body))
        failed(QStringLiteral("not sent"));
}
