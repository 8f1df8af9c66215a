#pragma once

#include "CardFixture.h"
#include "ContextualMenuEngine.h"
#include "DesktopSearch.h"
#include "EntityDescription.h"
#include "Error.h"
#include "IngredientTrie.h"
#include "MenuSheets.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QStringList>
#include <functional>
#include <memory>

// Sheets answered by the test: each run hands the sheet to a function that plays the user.
class ScriptedMenuSheets : public MenuSheets
{
public:
    int runChangeIngredientSheet(
        QString& name, const std::function<std::optional<QString>(const QString&)>& complete) override
    {
        ++changeRuns;
        shownName = name;
        completion = complete ? complete(QStringLiteral("butte")) : std::nullopt;
        name = typedName;
        return changeCode;
    }
    int runScaleSheet(ScaleSheet& sheet) override
    {
        ++scaleRuns;
        if (playScale)
            playScale(sheet);
        return scaleCode;
    }

    int changeRuns = 0;
    int scaleRuns = 0;
    QString shownName;
    std::optional<QString> completion;
    QString typedName;
    int changeCode = 1;
    std::function<void(ScaleSheet&)> playScale;
    int scaleCode = 1;
};

// A contextual menu engine on the library store, with the window's answers as plain fields and
// every outlet call written down.
class MenuEngineFixture : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        IngredientTrie::rebuildIngredientTries();
        if (UnitsEngine::defaultEngine().units().isEmpty())
            UnitsEngine::defaultEngine().loadUnits(QString());
        setMeasurementSystem(1);
        DesktopSearch::Environment none;
        none.serviceRegistered = [this](const QString& service) { return service == registeredService; };
        none.callBus = [this](const QString&, const QString&, const QString&, const QString& method,
                           const QString& argument) {
            calls.append(QStringLiteral("bus %1 %2").arg(method, argument));
            return busAnswers;
        };
        none.findExecutable = [](const QString&) { return QString(); };
        none.startDetached = [](const QString&, const QStringList&) { return false; };
        desktopSearch = std::make_unique<DesktopSearch>(none);

        ContextualMenuEngine::Outlets outlets;
        outlets.currentRecipe = [this] { return shown; };
        outlets.showRecipe = [this](ManagedObject* recipe) { record("showRecipe", recipe); };
        outlets.searchSelectionIsLocal = [this] { return searchLocal; };
        outlets.searchResultsTableHidden = [this] { return searchHidden; };
        outlets.groceryListsTableHidden = [this] { return groceryHidden; };
        outlets.groceryListNames = [this] { return groceryLists; };
        outlets.createGroceryListWithIngredient
            = [this](ManagedObject* line) { record("createGroceryListWithIngredient", line); };
        outlets.createGroceryListWithRecipe
            = [this](ManagedObject* recipe) { record("createGroceryListWithRecipe", recipe); };
        outlets.addRecipeIngredientToGroceryList = [this](int list, ManagedObject* line) {
            record(QStringLiteral("addRecipeIngredient %1").arg(list).toLatin1().constData(), line);
        };
        outlets.addRecipeToGroceryList = [this](int list, ManagedObject* recipe) {
            record(QStringLiteral("addRecipe %1").arg(list).toLatin1().constData(), recipe);
        };
        outlets.blog = [this](ManagedObject* recipe) { record("blog", recipe); };
        outlets.emailRecipe = [this](ManagedObject* recipe) { record("emailRecipe", recipe); };
        outlets.addToOnline = [this](ManagedObject* recipe) { record("addToOnline", recipe); };
        outlets.searchForObject = [this](ManagedObject* object) { record("searchForObject", object); };
        outlets.searchForOnlineUser
            = [this](qint64 user) { calls.append(QStringLiteral("searchForOnlineUser %1").arg(user)); };
        outlets.removeRecipe = [this](ManagedObject* recipe) { record("removeRecipe", recipe); };
        outlets.beep = [this] { calls.append(QStringLiteral("beep")); };
        outlets.presentError = [this](const Error& error) { presented.append(error.localizedDescription); };
        outlets.openUrl = [this](const QUrl& url) {
            opened.append(url);
            return true;
        };
        outlets.copyToClipboard
            = [this](const QString& text) { calls.append(QStringLiteral("copy ") + text); };
        outlets.desktopSearch = desktopSearch.get();
        outlets.sheets = &sheets;
        engine = std::make_unique<ContextualMenuEngine>(std::move(outlets));
    }

    void TearDown() override
    {
        engine.reset();
        IngredientTrie::rebuildIngredientTries();
        setMeasurementSystem(1);
        CardFixture::TearDown();
    }

    void setMeasurementSystem(int system)
    {
        UserDefaults::standardUserDefaults().setObject(system, QStringLiteral("KRDefaultMeasurementSystem"));
        UnitsEngine::defaultEngine().updateMeasurementSystem();
    }

    // The call and the object's name (an ingredient line's ingredient name).
    void record(const char* what, ManagedObject* object)
    {
        QString name = QStringLiteral("none");
        if (object && object->entity()->name() == QLatin1String("RecipeIngredient"))
            name = object->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString();
        else if (object)
            name = object->valueForKey(QStringLiteral("name")).toString();
        calls.append(QString::fromLatin1(what) + u' ' + name);
    }

    RecipeMO* recipeNamed(const QString& name)
    {
        RecipeMO* recipe = bareRecipe(name);
        recipe->addCollectionsObject(library);
        return recipe;
    }

    // The item of a menu by title; fails the test when there is none.
    static const MenuItemModel& item(const MenuModelPtr& menu, const QString& title)
    {
        static const MenuItemModel none;
        if (!menu) {
            ADD_FAILURE() << "no menu";
            return none;
        }
        const MenuItemModel* found = menu->itemWithTitle(title);
        if (!found) {
            ADD_FAILURE() << "no item " << title.toStdString();
            return none;
        }
        return *found;
    }
    static bool enabled(const MenuModelPtr& menu, const QString& title)
    {
        return menu && menu->isItemEnabled(item(menu, title));
    }
    static QStringList titles(const MenuModelPtr& menu)
    {
        QStringList result;
        if (menu)
            for (const MenuItemModel& entry : menu->items())
                result.append(entry.separator ? QStringLiteral("-") : entry.title);
        return result;
    }

    ScriptedMenuSheets sheets;
    std::unique_ptr<DesktopSearch> desktopSearch;
    std::unique_ptr<ContextualMenuEngine> engine;
    ManagedObject* shown = nullptr;
    bool searchLocal = true;
    bool searchHidden = true;
    bool groceryHidden = true;
    QStringList groceryLists;
    QString registeredService;
    bool busAnswers = true;
    QStringList calls;
    QStringList presented;
    QList<QUrl> opened;
};
