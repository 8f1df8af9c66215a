#pragma once

#include "MenuModel.h"

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

class DesktopSearch;
class ManagedObject;
class MenuSheets;
class QMenu;
class QWidget;
struct Error;

// User defaults: the web search page (its query goes in the parameter "q") and the online
// encyclopedia (terms go after its "/wiki/" path).
inline const QString KRWebSearchURL = QStringLiteral("KRWebSearchURL");
inline const QString KRDefinitionLookupURL = QStringLiteral("KRDefinitionLookupURL");

// The contextual menus of the recipe system and their actions: the menu of a recipe (the recipe
// list and the search results), of an ingredient line and of a field value of the recipe page,
// their submenus (rating, other recipes, substitutions, grocery lists), the change-ingredient and
// scale sheets, the dynamic part of the main menu "Recipe", and ingredient-name completion.
//
// Menus are built as MenuModel data, anew for every request; qmenu() turns one into a QMenu whose
// items come back to performAction(). Everything outside the recipe page is reached through the
// outlets; an empty outlet answers false, nothing or none. Main thread only.
class ContextualMenuEngine : public QObject
{
    Q_OBJECT

public:
    struct Outlets {
        // The recipe the page shows, or nullptr; showRecipe selects a recipe in the window.
        std::function<ManagedObject*()> currentRecipe;
        std::function<void(ManagedObject* recipe)> showRecipe;
        // The search selection is a library recipe (false: a web result).
        std::function<bool()> searchSelectionIsLocal;
        std::function<bool()> searchResultsTableHidden;
        std::function<bool()> groceryListsTableHidden;
        // The grocery lists' names, in their arranged order.
        std::function<QStringList()> groceryListNames;
        std::function<void(ManagedObject* line)> createGroceryListWithIngredient;
        std::function<void(ManagedObject* recipe)> createGroceryListWithRecipe;
        // Adds the line (or recipe) to the grocery list at that position among the arranged lists.
        std::function<void(int list, ManagedObject* line)> addRecipeIngredientToGroceryList;
        std::function<void(int list, ManagedObject* recipe)> addRecipeToGroceryList;
        std::function<void(ManagedObject* recipe)> blog;
        std::function<void(ManagedObject* recipe)> emailRecipe;
        std::function<void(ManagedObject* recipe)> addToOnline;
        // Searches for the object's name, showing it in the search fields.
        std::function<void(ManagedObject* object)> searchForObject;
        // Shows the recipes of one author of the web recipe service, the search fields unchanged.
        std::function<void(qint64 onlineUserID)> searchForOnlineUser;
        // Removes the recipe from the recipe list (which confirms and deletes as it does).
        std::function<void(ManagedObject* recipe)> removeRecipe;
        std::function<void()> beep;
        std::function<void(const Error& error)> presentError;
        std::function<bool(const QUrl& url)> openUrl;
        std::function<void(const QString& text)> copyToClipboard;
        // Not owned; nullptr: no desktop search, no sheets.
        const DesktopSearch* desktopSearch = nullptr;
        MenuSheets* sheets = nullptr;
    };

    explicit ContextualMenuEngine(Outlets outlets, QObject* parent = nullptr);
    ~ContextualMenuEngine() override;

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }
    const Outlets& outlets() const { return m_outlets; }

    // The small menu font of the contextual menu items, made once.
    static QFont fontForContextualMenuItems();

    // --- Builders: nullptr means no menu at all ---
    MenuModelPtr buildRecipeContextualMenu(ManagedObject* recipe);
    // A field of the shown recipe by its key path; "ingredients" with the line's 1-based number.
    MenuModelPtr buildContextualMenuForAttributeValue(const QString& keyPath, quint64 index = 0);
    MenuModelPtr buildIngredientMenuForRecipeIngredient(ManagedObject* line);
    // Adds a separator, "Copy to clipboard" and the web, desktop and definition searches for the
    // text; nullptr for no menu or an empty text.
    MenuModelPtr menuByAddingStandardItemsToContextualMenu(MenuModelPtr menu, const QString& text);
    MenuModelPtr ratingSubmenuForObject(ManagedObject* object);
    MenuModelPtr buildOtherRecipesSubmenuForObject(ManagedObject* object);
    MenuModelPtr buildSubstitutionSubmenuForIngredient(ManagedObject* line);
    MenuModelPtr buildGroceryListSubmenuForIngredient(ManagedObject* line);
    MenuModelPtr buildGroceryListSubmenuForRecipe(ManagedObject* recipe);

    // The web search and encyclopedia pages for a text (hosts from the user defaults).
    static QUrl webSearchURL(const QString& text);
    static QUrl lookupTermURL(const QString& text);

    // The first ingredient name, case-insensitively, that the partial text completes to.
    std::optional<QString> completionForPartialString(const QString& partial) const;

    // Carries out an item's action with its represented object.
    void performAction(const MenuItemModel& item);
    // The actions by name.
    void setRating(const MenuItemModel& item);
    void setHaveIt(const MenuItemModel& item);
    void showOtherRecipe(const MenuItemModel& item);
    void makeSubstitution(const MenuItemModel& item);
    void changeIngredientMeasurementSystem(const MenuItemModel& item);
    void changeRecipeMeasurementSystem(const MenuItemModel& item);
    void copyString(const MenuItemModel& item);
    void spotlight(const MenuItemModel& item);
    void webSearch(const MenuItemModel& item);
    void lookupTerm(const MenuItemModel& item);
    void search(const MenuItemModel& item);
    void deleteRecipe(const MenuItemModel& item);
    void createGroceryList(const MenuItemModel& item);
    // The sheets.
    void changeIngredient(const MenuItemModel& item);
    void changeIngredientAmount(const MenuItemModel& item);
    void changeRecipeAmount(const MenuItemModel& item);

    // --- The main menu "Recipe" ---
    // Its units item (tagged 2): title and enabling; nothing when the item does not belong.
    std::optional<MenuItemModel> recipeMenuConvertItem();
    // Its grocery-lists submenu for the shown recipe.
    MenuModelPtr recipeMenuGroceryListSubmenu();
    // Adds the units item and the "Add to Grocery List" submenu to the main menu "Recipe" (any
    // other menu is left alone) and keeps them up to date each time it opens.
    void installInRecipeMenu(QMenu* recipeMenu);
    void menuNeedsUpdate(QMenu* menu);

    // The menu as a QMenu whose items perform here; owned by the caller.
    QMenu* qmenu(const MenuModel& menu, QWidget* parent = nullptr);
    // The page's field menu as a QMenu, or nullptr (also for a field without a menu of its own).
    QMenu* qmenuForAttributeValue(const QString& keyPath, quint64 index, QWidget* parent = nullptr);
    // A recipe's contextual menu (the recipe list's and the search results') as a QMenu, or nullptr.
    QMenu* qmenuForRecipe(ManagedObject* recipe, QWidget* parent = nullptr);

private:
    bool searchSelectionIsLocal() const;
    ManagedObject* currentRecipe() const;
    void scale(ManagedObject* context, int variant);
    void present(const QString& message, int code = 0);

    Outlets m_outlets;
};
