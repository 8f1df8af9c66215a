#include "ContextualMenuEngine.h"

#include "AmountFinding.h"
#include "BaseMOAdditions.h"
#include "ConstantManager.h"
#include "DesktopSearch.h"
#include "EntityDescription.h"
#include "Error.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "Log.h"
#include "ManagedObject.h"
#include "MenuSheets.h"
#include "MutableObjectSet.h"
#include "QtMenuBuilder.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "RelationshipDescription.h"
#include "SubstitutionMO.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <algorithm>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

QVariant represent(ManagedObject* object)
{
    return object ? QVariant::fromValue<ManagedObject*>(object) : QVariant();
}

// The represented managed object, or nullptr (also for one deleted since the menu was built).
ManagedObject* representedObject(const MenuItemModel& item)
{
    if (!item.representedObject.canConvert<ManagedObject*>())
        return nullptr;
    auto* object = item.representedObject.value<ManagedObject*>();
    return object && !object->isDeleted() ? object : nullptr;
}

QString entityName(const ManagedObject* object)
{
    return object && object->entity() ? object->entity()->name() : QString();
}

// "Imperial/SI" for the US system, "Metric" for the metric one, nothing for any other value.
std::optional<QString> systemName(quint64 system)
{
    if (system == MeasurementUnit::SystemUS)
        return localized("Imperial/SI");
    if (system == MeasurementUnit::SystemMetric)
        return localized("Metric");
    return std::nullopt;
}

quint64 defaultSystem()
{
    return UnitsEngine::defaultEngine().defaultMeasurementSystem();
}

// The members of a to-many relationship, or nothing for anything else.
QList<ManagedObject*> membersOf(ManagedObject* object, const QString& key)
{
    if (!object || !object->entity() || !object->entity()->relationshipNamed(key))
        return {};
    return object->mutableSetValueForKey(key).allObjects();
}

// Each whitespace or line-end character becomes the substitute on its own; everything else is
// percent-escaped as UTF-8, so the substitute only ever stands for whitespace.
QByteArray escapedTerm(const QString& text, char substitute)
{
    QByteArray escaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            escaped += substitute;
            continue;
        }
        // A surrogate pair is one character.
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        escaped += text.mid(i, length).toUtf8().toPercentEncoding();
        i += length - 1;
    }
    return escaped;
}

QByteArray baseURL(const QString& key, const char* fallback)
{
    QString base = UserDefaults::standardUserDefaults().stringForKey(key).trimmed();
    if (base.isEmpty())
        base = QString::fromLatin1(fallback);
    return QUrl(base).toEncoded();
}

const char* const kTagProperty = "tag";
const char* const kGroceryListsProperty = "groceryListsSubmenu";

} // namespace

ContextualMenuEngine::ContextualMenuEngine(Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_outlets(std::move(outlets))
{
}

ContextualMenuEngine::~ContextualMenuEngine() = default;

QFont ContextualMenuEngine::fontForContextualMenuItems()
{
    static const QFont font = [] {
        QFont menuFont = QApplication::font("QMenu");
        menuFont.setPointSizeF(11.0);
        return menuFont;
    }();
    return font;
}

bool ContextualMenuEngine::searchSelectionIsLocal() const
{
    return m_outlets.searchSelectionIsLocal ? m_outlets.searchSelectionIsLocal() : true;
}

ManagedObject* ContextualMenuEngine::currentRecipe() const
{
    ManagedObject* recipe = m_outlets.currentRecipe ? m_outlets.currentRecipe() : nullptr;
    return recipe && !recipe->isDeleted() ? recipe : nullptr;
}

void ContextualMenuEngine::present(const QString& message, int code)
{
    Log::log(message);
    if (!m_outlets.presentError)
        return;
    Error error;
    error.domain = QStringLiteral("KitchoraErrorDomain");
    error.code = code;
    error.localizedDescription = message;
    m_outlets.presentError(error);
}

// --- builders ---

MenuModelPtr ContextualMenuEngine::buildRecipeContextualMenu(ManagedObject* recipe)
{
    if (!recipe)
        return nullptr;
    const QString name = recipe->valueForKey(QStringLiteral("name")).toString();
    auto menu = std::make_shared<MenuModel>(name);
    menu->setAutoenablesItems(false);
    const bool local = searchSelectionIsLocal();
    const QVariant object = represent(recipe);

    MenuItemModel* item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Change Yield of Recipe…"), QStringLiteral("changeRecipeAmount:"));
    item->representedObject = object;
    item->enabled = local;
    if (const std::optional<QString> system = systemName(defaultSystem())) {
        item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Change Recipe to %1 units…").arg(*system),
            QStringLiteral("changeRecipeMeasurementSystem:"));
        item->representedObject = object;
        item->enabled = local;
    }
    const MenuModelPtr groceries = buildGroceryListSubmenuForRecipe(recipe);
    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Add to Grocery List"), QString());
    item->submenu = groceries;
    item->enabled = groceries && groceries->numberOfItems() > 0;
    menu->addSeparator();

    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Blog this Recipe…"), QStringLiteral("blog:"));
    item->target = MenuItemModel::Target::BlogController;
    item->representedObject = object;
    item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Email this Recipe…"), QStringLiteral("emailRecipe:"));
    item->target = MenuItemModel::Target::MailController;
    item->representedObject = object;
    item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Share Recipe Online"), QStringLiteral("addToOnline:"));
    item->target = MenuItemModel::Target::ApplicationController;
    item->representedObject = object;
    item->checked = recipe->valueForKey(QStringLiteral("share")).toBool();
    item->enabled = recipe->valueForKey(QStringLiteral("createdLocally")).toBool();
    menu->addSeparator();

    const qint64 user = recipe->valueForKey(QStringLiteral("onlineUserID")).toLongLong();
    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Search for more Recipes from this User…"),
        user != 0 ? QStringLiteral("search:") : QString());
    item->representedObject = QVariant::fromValue<qint64>(user);
    item->enabled = user != 0;
    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Delete Recipe"), QStringLiteral("delete:"));
    item->representedObject = object;
    item->enabled = m_outlets.searchResultsTableHidden ? m_outlets.searchResultsTableHidden() : true;

    return menuByAddingStandardItemsToContextualMenu(menu, name);
}

MenuModelPtr ContextualMenuEngine::buildContextualMenuForAttributeValue(const QString& keyPath, quint64 index)
{
    ManagedObject* recipe = currentRecipe();
    if (!recipe || keyPath.isEmpty())
        return nullptr;
    const QString firstKey = keyPath.section(u'.', 0, 0);
    const RelationshipDescription* relationship
        = recipe->entity() ? recipe->entity()->relationshipNamed(firstKey) : nullptr;
    if (relationship && relationship->isToMany()) {
        if (keyPath == QLatin1String("ingredients")) {
            auto* shownRecipe = dynamic_cast<RecipeMO*>(recipe);
            const QList<ManagedObject*> lines = shownRecipe
                ? shownRecipe->sortedItemsForKey(QStringLiteral("ingredients"))
                : QList<ManagedObject*>();
            for (ManagedObject* line : lines)
                if (line->valueForKey(QStringLiteral("index")).toULongLong() == index)
                    return buildIngredientMenuForRecipeIngredient(line);
            return nullptr;
        }
        auto error = std::make_shared<MenuModel>(QStringLiteral("Error"));
        NSMenuAdditions::addItemWithTitle(
            *error, QStringLiteral("Unsupported to-many relationship keyPath"), {});
        return error;
    }

    const QString value = recipe->valueForKeyPath(keyPath).toString();
    auto menu = std::make_shared<MenuModel>(value);
    MenuItemModel valueItem;
    valueItem.title = value;
    menu->addItem(valueItem);
    menu->addSeparator();

    const QString group = ConstantManager::defaultManager().groupKeyForConstant(keyPath);
    auto addSubmenu = [&](const QString& title, MenuModelPtr submenu) {
        NSMenuAdditions::addItemWithTitle(*menu, title, {}).submenu = std::move(submenu);
    };
    auto addSearch = [&](const QString& title, const QVariant& object, bool withAction) {
        MenuItemModel& item = NSMenuAdditions::addItemWithTitle(
            *menu, title, withAction ? QStringLiteral("search:") : QString());
        item.representedObject = object;
    };
    auto related = [recipe](const char* key) {
        return dynamic_cast<ManagedObject*>(
            KeyValueCoding::fromVariant(recipe->valueForKey(QString::fromLatin1(key))));
    };
    if (group == KRYieldConstantGroup) {
        MenuItemModel& item = NSMenuAdditions::addItemWithTitle(*menu, localized("Change Yield of Recipe…"),
            QStringLiteral("changeRecipeAmount:"), QStringLiteral("y"));
        item.representedObject = represent(recipe);
    } else if (group == KRKitchenConstantGroup) {
        ManagedObject* kitchen = related("kitchen");
        if (!recipe->valueForKey(QStringLiteral("createdLocally")).toBool())
            addSubmenu(QStringLiteral("Rate this Source"), ratingSubmenuForObject(kitchen));
        addSubmenu(localized("Other Recipes from this Source"), buildOtherRecipesSubmenuForObject(kitchen));
        const qint64 user = recipe->valueForKey(QStringLiteral("onlineUserID")).toLongLong();
        addSearch(localized("Search for more Recipes from this User…"), QVariant::fromValue<qint64>(user),
            user != 0);
    } else if (group == KRCuisineConstantGroup) {
        ManagedObject* cuisine = related("cuisine");
        addSubmenu(QStringLiteral("Rate this Cuisine"), ratingSubmenuForObject(cuisine));
        addSubmenu(localized("Other Recipes from this Cuisine"), buildOtherRecipesSubmenuForObject(cuisine));
        addSearch(localized("Search for more Recipes from this Cuisine…"), represent(cuisine), cuisine);
    } else if (group == KRCategoryConstantGroup) {
        ManagedObject* category = related("category");
        addSubmenu(QStringLiteral("Rate this Category"), ratingSubmenuForObject(category));
        addSubmenu(localized("Other Recipes in this Category"), buildOtherRecipesSubmenuForObject(category));
        addSearch(localized("Search for more Recipes in this Category…"), represent(category), category);
    }
    return menuByAddingStandardItemsToContextualMenu(menu, value);
}

MenuModelPtr ContextualMenuEngine::buildIngredientMenuForRecipeIngredient(ManagedObject* object)
{
    auto* line = dynamic_cast<RecipeIngredientMO*>(object);
    if (!line)
        return nullptr;
    const QString keyPath
        = ConstantManager::defaultManager().constantForKey(RVValueConstantKey, KRIngredientConstantGroup);
    const QString text = line->valueForKeyPath(keyPath).toString();
    auto menu = std::make_shared<MenuModel>(text);
    menu->setAutoenablesItems(false);
    const bool web = !searchSelectionIsLocal();
    IngredientMO* base = line->baseIngredient();
    const QVariant lineObject = represent(line);

    MenuItemModel valueItem;
    valueItem.title = text;
    valueItem.enabled = false;
    menu->addItem(valueItem);
    menu->addSeparator();

    MenuItemModel* item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("I always have this Ingredient"), QStringLiteral("setHaveIt:"));
    item->representedObject = represent(base);
    item->checked = base && base->haveIt();
    item->enabled = base;
    const MenuModelPtr groceries = buildGroceryListSubmenuForIngredient(line);
    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Add to a Grocery List"), {});
    item->submenu = groceries;
    item->enabled = groceries && groceries->numberOfItems() > 0;
    item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Change ingredient…"), QStringLiteral("changeIngredient:"));
    item->representedObject = lineObject;
    item->enabled = !web;
    // Only a whole amount of one or more can be scaled from here: 1/2 has a whole part of 0.
    const QString amount = line->amount().trimmed();
    const Decimal value
        = amount.isEmpty() ? Decimal::zero() : AmountFinding::amountDecimalNumberValue(amount);
    item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Change amount…"), QStringLiteral("changeIngredientAmount:"));
    item->representedObject = lineObject;
    item->enabled = !web && !(value < Decimal::one());
    if (const std::optional<QString> system = systemName(defaultSystem())) {
        item = &NSMenuAdditions::addItemWithTitle(*menu,
            QStringLiteral("%1 %2").arg(localized("Convert to"), *system),
            QStringLiteral("changeIngredientMeasurementSystem:"));
        item->representedObject = lineObject;
        const QString measure = line->measure();
        const MeasurementUnitPtr unit
            = isEmpty(measure) ? nullptr : UnitsEngine::defaultEngine().unitForName(measure);
        item->enabled
            = unit && unit->type() != MeasurementUnit::TypeNone && unit->system() != defaultSystem();
    }
    const MenuModelPtr substitutions = buildSubstitutionSubmenuForIngredient(line);
    item = &NSMenuAdditions::addItemWithTitle(*menu, QStringLiteral("Substitute with"), {});
    item->submenu = substitutions;
    item->enabled = !web && substitutions && substitutions->numberOfItems() > 0;
    const MenuModelPtr others = buildOtherRecipesSubmenuForObject(line);
    item = &NSMenuAdditions::addItemWithTitle(*menu, localized("Other Recipes with this Ingredient"), {});
    item->submenu = others;
    item->enabled = others && others->numberOfItems() > 0;
    item = &NSMenuAdditions::addItemWithTitle(
        *menu, localized("Search for more Recipes with this Ingredient…"), QStringLiteral("search:"));
    item->representedObject = represent(base);
    item->enabled = base;

    return menuByAddingStandardItemsToContextualMenu(menu, text);
}

MenuModelPtr ContextualMenuEngine::menuByAddingStandardItemsToContextualMenu(
    MenuModelPtr menu, const QString& text)
{
    if (!menu || isEmpty(text))
        return nullptr;
    menu->addSeparator();
    const struct {
        QString title;
        const char* action;
    } items[] = {
        { localized("Copy to clipboard"), "copyString:" },
        { QStringLiteral("%1 \"%2\"").arg(localized("Search the web for"), text), "webSearch:" },
        { QStringLiteral("%1 \"%2\"").arg(localized("Search this computer for"), text), "spotlight:" },
        { QStringLiteral("%1 \"%2\"").arg(localized("Lookup definition of"), text), "lookupTerm:" },
    };
    for (const auto& entry : items) {
        MenuItemModel& item
            = NSMenuAdditions::addItemWithTitle(*menu, entry.title, QString::fromLatin1(entry.action));
        item.representedObject = text;
        // Without a search tool of the desktop the item can do nothing.
        if (item.action == QLatin1String("spotlight:")) {
            const bool available = m_outlets.desktopSearch && m_outlets.desktopSearch->isAvailable();
            item.enabled = available;
            if (!available && menu->autoenablesItems())
                item.action.clear();
        }
    }
    return menu;
}

MenuModelPtr ContextualMenuEngine::ratingSubmenuForObject(ManagedObject* object)
{
    auto menu = std::make_shared<MenuModel>(QStringLiteral("Rating"));
    const qint64 rating = object ? object->valueForKey(QStringLiteral("rating")).toLongLong() : -1;
    for (int stars = 0; stars <= 5; ++stars) {
        MenuItemModel item;
        item.title = stars == 0 ? localized("None") : QString(stars, QChar(0x2605));
        item.action = QStringLiteral("setRating:");
        item.representedObject = represent(object);
        item.checked = rating == stars;
        item.tag = stars;
        menu->addItem(item);
    }
    return menu;
}

MenuModelPtr ContextualMenuEngine::buildOtherRecipesSubmenuForObject(ManagedObject* object)
{
    auto menu = std::make_shared<MenuModel>(QStringLiteral("Other Recipes"));
    QList<ManagedObject*> recipes;
    if (entityName(object) == QLatin1String("RecipeIngredient")) {
        auto* line = static_cast<RecipeIngredientMO*>(object);
        for (ManagedObject* other : membersOf(line->baseIngredient(), QStringLiteral("recipeIngredients"))) {
            auto* recipe = KeyValueCoding::fromVariant(other->valueForKey(QStringLiteral("recipe")));
            if (auto* found = dynamic_cast<ManagedObject*>(recipe); found && !recipes.contains(found))
                recipes.append(found);
        }
    } else {
        recipes = membersOf(object, QStringLiteral("recipes"));
    }
    ManagedObject* shown = currentRecipe();
    for (ManagedObject* recipe : recipes) {
        if (recipe == shown || recipe->isDeleted())
            continue;
        MenuItemModel& item = NSMenuAdditions::addItemWithTitle(*menu,
            recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("showOtherRecipe:"));
        item.representedObject = represent(recipe);
    }
    return menu;
}

MenuModelPtr ContextualMenuEngine::buildSubstitutionSubmenuForIngredient(ManagedObject* object)
{
    auto menu = std::make_shared<MenuModel>(QStringLiteral("substitutions"));
    auto* line = dynamic_cast<RecipeIngredientMO*>(object);
    if (!line)
        return menu;
    const MeasurementUnitPtr unit = line->unitForMeasure();
    for (ManagedObject* entry : membersOf(line->baseIngredient(), QStringLiteral("substitutes"))) {
        auto* substitution = dynamic_cast<SubstitutionMO*>(entry);
        if (!substitution || !substitution->substitute())
            continue;
        const MeasurementUnitPtr ruleUnit = substitution->ingredientUnit();
        if (!unit || !ruleUnit || !unit->canConvertToUnit(ruleUnit.get()))
            continue;
        MenuItemModel& item = NSMenuAdditions::addItemWithTitle(
            *menu, substitution->substitute()->name(), QStringLiteral("makeSubstitution:"));
        item.representedObject = represent(line);
    }
    return menu;
}

MenuModelPtr ContextualMenuEngine::buildGroceryListSubmenuForIngredient(ManagedObject* line)
{
    auto menu = std::make_shared<MenuModel>(QStringLiteral("Grocery Lists"));
    MenuItemModel& create = NSMenuAdditions::addItemWithTitle(*menu,
        localized("Create new Grocery List with this Ingredient…"), QStringLiteral("createGroceryList:"));
    create.target = MenuItemModel::Target::GroceryListController;
    create.representedObject = represent(line);
    const QStringList lists = m_outlets.groceryListNames ? m_outlets.groceryListNames() : QStringList();
    if (!lists.isEmpty())
        menu->addSeparator();
    for (int i = 0; i < lists.size(); ++i) {
        MenuItemModel& item
            = NSMenuAdditions::addItemWithTitle(*menu, lists.at(i), QStringLiteral("addRecipeIngredient:"));
        item.target = MenuItemModel::Target::GroceryList;
        item.targetIndex = i;
        item.representedObject = represent(line);
    }
    return menu;
}

MenuModelPtr ContextualMenuEngine::buildGroceryListSubmenuForRecipe(ManagedObject* recipe)
{
    auto menu = std::make_shared<MenuModel>(QStringLiteral("Grocery Lists"));
    MenuItemModel& create = NSMenuAdditions::addItemWithTitle(
        *menu, localized("Create new Grocery List from this Recipe…"), QStringLiteral("createGroceryList:"));
    create.representedObject = represent(recipe);
    const QStringList lists = m_outlets.groceryListNames ? m_outlets.groceryListNames() : QStringList();
    if (!lists.isEmpty())
        menu->addSeparator();
    for (int i = 0; i < lists.size(); ++i) {
        MenuItemModel& item
            = NSMenuAdditions::addItemWithTitle(*menu, lists.at(i), QStringLiteral("addRecipe:"));
        item.target = MenuItemModel::Target::GroceryList;
        item.targetIndex = i;
        item.representedObject = represent(recipe);
    }
    return menu;
}

// --- URLs and completion ---

QUrl ContextualMenuEngine::webSearchURL(const QString& text)
{
    QByteArray url = baseURL(KRWebSearchURL, "https://duckduckgo.com/");
    url += url.contains('?') ? "&q=" : "?q=";
    url += escapedTerm(text, '+');
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

QUrl ContextualMenuEngine::lookupTermURL(const QString& text)
{
    QByteArray url = baseURL(KRDefinitionLookupURL, "https://en.wikipedia.org");
    while (url.endsWith('/'))
        url.chop(1);
    url += "/wiki/";
    url += escapedTerm(text, '_');
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

std::optional<QString> ContextualMenuEngine::completionForPartialString(const QString& partial) const
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    return trie ? trie->firstCompletionForPartialString(partial) : std::nullopt;
}

// --- actions ---

void ContextualMenuEngine::performAction(const MenuItemModel& item)
{
    ManagedObject* object = representedObject(item);
    auto call = [object](const std::function<void(ManagedObject*)>& outlet) {
        if (outlet)
            outlet(object);
    };
    switch (item.target) {
    case MenuItemModel::Target::BlogController:
        call(m_outlets.blog);
        return;
    case MenuItemModel::Target::MailController:
        call(m_outlets.emailRecipe);
        return;
    case MenuItemModel::Target::ApplicationController:
        call(m_outlets.addToOnline);
        return;
    case MenuItemModel::Target::GroceryListController:
        call(m_outlets.createGroceryListWithIngredient);
        return;
    case MenuItemModel::Target::GroceryList:
        if (item.action == QLatin1String("addRecipe:")) {
            if (m_outlets.addRecipeToGroceryList && object)
                m_outlets.addRecipeToGroceryList(item.targetIndex, object);
        } else if (m_outlets.addRecipeIngredientToGroceryList && object) {
            m_outlets.addRecipeIngredientToGroceryList(item.targetIndex, object);
        }
        return;
    case MenuItemModel::Target::Engine:
        break;
    }
    using Action = void (ContextualMenuEngine::*)(const MenuItemModel&);
    static const QHash<QString, Action> actions = {
        { QStringLiteral("setRating:"), &ContextualMenuEngine::setRating },
        { QStringLiteral("setHaveIt:"), &ContextualMenuEngine::setHaveIt },
        { QStringLiteral("showOtherRecipe:"), &ContextualMenuEngine::showOtherRecipe },
        { QStringLiteral("makeSubstitution:"), &ContextualMenuEngine::makeSubstitution },
        { QStringLiteral("changeIngredientMeasurementSystem:"),
            &ContextualMenuEngine::changeIngredientMeasurementSystem },
        { QStringLiteral("changeRecipeMeasurementSystem:"),
            &ContextualMenuEngine::changeRecipeMeasurementSystem },
        { QStringLiteral("copyString:"), &ContextualMenuEngine::copyString },
        { QStringLiteral("spotlight:"), &ContextualMenuEngine::spotlight },
        { QStringLiteral("webSearch:"), &ContextualMenuEngine::webSearch },
        { QStringLiteral("lookupTerm:"), &ContextualMenuEngine::lookupTerm },
        { QStringLiteral("search:"), &ContextualMenuEngine::search },
        { QStringLiteral("delete:"), &ContextualMenuEngine::deleteRecipe },
        { QStringLiteral("createGroceryList:"), &ContextualMenuEngine::createGroceryList },
        { QStringLiteral("changeIngredient:"), &ContextualMenuEngine::changeIngredient },
        { QStringLiteral("changeIngredientAmount:"), &ContextualMenuEngine::changeIngredientAmount },
        { QStringLiteral("changeRecipeAmount:"), &ContextualMenuEngine::changeRecipeAmount },
    };
    const Action action = actions.value(item.action);
    if (action)
        (this->*action)(item);
}

void ContextualMenuEngine::setRating(const MenuItemModel& item)
{
    if (ManagedObject* object = representedObject(item))
        object->setValueForKey(item.tag, QStringLiteral("rating"));
}

void ContextualMenuEngine::setHaveIt(const MenuItemModel& item)
{
    if (auto* ingredient = dynamic_cast<IngredientMO*>(representedObject(item)))
        ingredient->setHaveIt(!ingredient->haveIt());
}

void ContextualMenuEngine::showOtherRecipe(const MenuItemModel& item)
{
    if (ManagedObject* recipe = representedObject(item); recipe && m_outlets.showRecipe)
        m_outlets.showRecipe(recipe);
}

void ContextualMenuEngine::makeSubstitution(const MenuItemModel& item)
{
    auto* line = dynamic_cast<RecipeIngredientMO*>(representedObject(item));
    if (!line)
        return;
    for (ManagedObject* entry : membersOf(line->baseIngredient(), QStringLiteral("substitutes"))) {
        auto* substitution = dynamic_cast<SubstitutionMO*>(entry);
        if (substitution && substitution->substitute() && substitution->substitute()->name() == item.title) {
            substitution->performSubstitutionOnIngredient(line);
            return;
        }
    }
}

void ContextualMenuEngine::changeIngredientMeasurementSystem(const MenuItemModel& item)
{
    auto* line = dynamic_cast<RecipeIngredientMO*>(representedObject(item));
    if (!line)
        return;
    line->convertToDefaultMeasurementSystemIfNeeded();
    BaseMOAdditions::refreshDisplayString(line);
}

void ContextualMenuEngine::changeRecipeMeasurementSystem(const MenuItemModel& item)
{
    auto* recipe = dynamic_cast<RecipeMO*>(representedObject(item));
    if (!recipe)
        recipe = dynamic_cast<RecipeMO*>(currentRecipe());
    if (!recipe)
        return;
    for (ManagedObject* line : recipe->sortedItemsForKey(QStringLiteral("ingredients")))
        if (auto* ingredient = dynamic_cast<RecipeIngredientMO*>(line))
            ingredient->convertToDefaultMeasurementSystemIfNeeded();
    BaseMOAdditions::refreshDisplayString(recipe);
}

void ContextualMenuEngine::copyString(const MenuItemModel& item)
{
    if (m_outlets.copyToClipboard)
        m_outlets.copyToClipboard(item.representedObject.toString());
}

void ContextualMenuEngine::spotlight(const MenuItemModel& item)
{
    const DesktopSearch* search = m_outlets.desktopSearch;
    if (search && search->showSearchWindow(item.representedObject.toString()))
        return;
    Log::log(QStringLiteral("Failed to open spotlight window"));
    if (m_outlets.presentError) {
        Error error;
        error.domain = QStringLiteral("KitchoraErrorDomain");
        error.code = 1;
        error.localizedDescription = localized("Desktop search is currently unavailable");
        m_outlets.presentError(error);
    }
}

void ContextualMenuEngine::webSearch(const MenuItemModel& item)
{
    if (m_outlets.openUrl)
        m_outlets.openUrl(webSearchURL(item.representedObject.toString()));
}

void ContextualMenuEngine::lookupTerm(const MenuItemModel& item)
{
    if (m_outlets.openUrl)
        m_outlets.openUrl(lookupTermURL(item.representedObject.toString()));
}

void ContextualMenuEngine::search(const MenuItemModel& item)
{
    if (ManagedObject* object = representedObject(item)) {
        if (m_outlets.searchForObject)
            m_outlets.searchForObject(object);
        return;
    }
    bool isNumber = false;
    const qint64 user = item.representedObject.toLongLong(&isNumber);
    if (isNumber && user != 0 && m_outlets.searchForOnlineUser)
        m_outlets.searchForOnlineUser(user);
}

void ContextualMenuEngine::deleteRecipe(const MenuItemModel& item)
{
    if (ManagedObject* recipe = representedObject(item); recipe && m_outlets.removeRecipe)
        m_outlets.removeRecipe(recipe);
}

void ContextualMenuEngine::createGroceryList(const MenuItemModel& item)
{
    // The recipe the menu was opened on; the main menu's item has none and means the shown one.
    ManagedObject* recipe = representedObject(item);
    if (!recipe)
        recipe = currentRecipe();
    if (!recipe) {
        if (m_outlets.beep)
            m_outlets.beep();
        return;
    }
    if (m_outlets.createGroceryListWithRecipe)
        m_outlets.createGroceryListWithRecipe(recipe);
}

void ContextualMenuEngine::changeIngredient(const MenuItemModel& item)
{
    auto* line = dynamic_cast<RecipeIngredientMO*>(representedObject(item));
    if (!line || !m_outlets.sheets)
        return;
    QString name = line->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString();
    const int code = m_outlets.sheets->runChangeIngredientSheet(
        name, [this](const QString& partial) { return completionForPartialString(partial); });
    if (code == 0 || line->isDeleted())
        return;
    name = name.trimmed();
    if (name.isEmpty()) {
        Log::log(QStringLiteral("ContextualMenuEngine: no ingredient name given, nothing renamed"));
        if (m_outlets.beep)
            m_outlets.beep();
        return;
    }
    line->setUpdateDisplayStringFromSetterValues(true);
    line->setBaseIngredient(name);
    line->setUpdateDisplayStringFromSetterValues(false);
    if (auto* recipe = dynamic_cast<ManagedObject*>(
            KeyValueCoding::fromVariant(line->valueForKey(QStringLiteral("recipe")))))
        BaseMOAdditions::refreshDisplayString(recipe);
}

void ContextualMenuEngine::changeIngredientAmount(const MenuItemModel& item)
{
    scale(representedObject(item), int(ScaleSheet::Variant::Ingredient));
}

void ContextualMenuEngine::changeRecipeAmount(const MenuItemModel& item)
{
    ManagedObject* recipe = representedObject(item);
    scale(recipe ? recipe : currentRecipe(), int(ScaleSheet::Variant::Recipe));
}

void ContextualMenuEngine::scale(ManagedObject* context, int variant)
{
    if (!m_outlets.sheets)
        return;
    ScaleSheet sheet { ScaleSheet::Variant(variant) };
    if (m_outlets.sheets->runScaleSheet(sheet) == 0)
        return;
    auto* scalable = dynamic_cast<BaseMO*>(context);
    if (!scalable || scalable->isDeleted()) {
        Log::log(QStringLiteral("ContextualMenuEngine: nil contextInfo for scale action"));
        return;
    }
    const std::optional<Decimal> factor = sheet.scaleFactor();
    if (!factor) {
        present(sheet.problem(), 1);
        return;
    }
    scalable->scaleByFactor(*factor);
    BaseMOAdditions::refreshDisplayString(scalable);
}

// --- the main menu "Recipe" ---

std::optional<MenuItemModel> ContextualMenuEngine::recipeMenuConvertItem()
{
    const quint64 system = defaultSystem();
    const std::optional<QString> name = systemName(system);
    if (!name)
        return std::nullopt;
    MenuItemModel item;
    item.title = QStringLiteral("%1 %2 %3").arg(localized("Convert to"), *name, localized("units"));
    item.action = QStringLiteral("changeRecipeMeasurementSystem:");
    item.tag = 2;
    item.enabled = false;
    if (auto* recipe = dynamic_cast<RecipeMO*>(currentRecipe())) {
        for (ManagedObject* line : recipe->sortedItemsForKey(QStringLiteral("ingredients"))) {
            const QString measure = line->valueForKey(QStringLiteral("measure")).toString();
            const MeasurementUnitPtr unit
                = isEmpty(measure) ? nullptr : UnitsEngine::defaultEngine().unitForName(measure);
            if (unit && unit->system() != system && unit->type() != MeasurementUnit::TypeNone
                && unit->type() != MeasurementUnit::TypeGeneric) {
                item.enabled = true;
                break;
            }
        }
    }
    return item;
}

MenuModelPtr ContextualMenuEngine::recipeMenuGroceryListSubmenu()
{
    ManagedObject* recipe = currentRecipe();
    MenuModelPtr menu = buildGroceryListSubmenuForRecipe(recipe);
    menu->setAutoenablesItems(false);
    const bool hidden = m_outlets.groceryListsTableHidden ? m_outlets.groceryListsTableHidden() : true;
    const QString create = localized("Create new Grocery List from this Recipe…");
    for (MenuItemModel& item : menu->items()) {
        if (item.separator)
            continue;
        item.contextualFont = false;
        if (item.title == create) {
            item.keyEquivalent = QStringLiteral("g");
            item.keyEquivalentModifiers = Qt::ControlModifier | Qt::AltModifier;
        }
        item.enabled = hidden && recipe;
    }
    return menu;
}

void ContextualMenuEngine::installInRecipeMenu(QMenu* recipeMenu)
{
    if (!recipeMenu || QString(recipeMenu->title()).remove(u'&') != localized("Recipe"))
        return;
    recipeMenu->addSeparator();
    QAction* convert = recipeMenu->addAction(QString());
    convert->setProperty(kTagProperty, 2);
    connect(convert, &QAction::triggered, this, [this] {
        MenuItemModel item;
        item.action = QStringLiteral("changeRecipeMeasurementSystem:");
        performAction(item);
    });
    auto* groceries = new QMenu(localized("Add to Grocery List"), recipeMenu);
    recipeMenu->addMenu(groceries)->setProperty(kGroceryListsProperty, true);
    connect(recipeMenu, &QMenu::aboutToShow, this, [this, recipeMenu] { menuNeedsUpdate(recipeMenu); });
    menuNeedsUpdate(recipeMenu);
}

void ContextualMenuEngine::menuNeedsUpdate(QMenu* menu)
{
    if (!menu || QString(menu->title()).remove(u'&') != localized("Recipe"))
        return;
    const QString groceryTitle = localized("Add to Grocery List");
    for (QAction* action : menu->actions()) {
        if (action->property(kTagProperty).toInt() == 2) {
            const std::optional<MenuItemModel> item = recipeMenuConvertItem();
            // Hidden rather than removed, so it comes back when the default system does.
            action->setVisible(item.has_value());
            if (item) {
                action->setText(item->title);
                action->setEnabled(item->enabled);
            }
        } else if (action->menu() && action->property(kGroceryListsProperty).toBool()) {
            QtMenuBuilder::fillMenu(action->menu(), *recipeMenuGroceryListSubmenu(),
                [this](const MenuItemModel& item) { performAction(item); });
            action->menu()->setTitle(groceryTitle);
        }
    }
}

QMenu* ContextualMenuEngine::qmenu(const MenuModel& menu, QWidget* parent)
{
    return QtMenuBuilder::menuFromModel(
        menu, [this](const MenuItemModel& item) { performAction(item); }, parent);
}

QMenu* ContextualMenuEngine::qmenuForRecipe(ManagedObject* recipe, QWidget* parent)
{
    const MenuModelPtr menu = buildRecipeContextualMenu(recipe);
    return menu ? qmenu(*menu, parent) : nullptr;
}

QMenu* ContextualMenuEngine::qmenuForAttributeValue(const QString& keyPath, quint64 index, QWidget* parent)
{
    const MenuModelPtr menu = buildContextualMenuForAttributeValue(keyPath, index);
    // A field with no menu of its own (a direction or note) keeps the text view's standard menu.
    if (!menu || menu->title() == QLatin1String("Error"))
        return nullptr;
    return qmenu(*menu, parent);
}
