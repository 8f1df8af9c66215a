// The standard items and their searches, the scale and change-ingredient sheets, the main menu
// "Recipe", the desktop's search tool, and menus turned into Qt menus.
#include "MenuEngineFixture.h"
#include "QtMenuBuilder.h"
#include "RecipeIngredientMO.h"
#include "ScaleSheet.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace
{

using MenuActionsTest = MenuEngineFixture;

TEST_F(MenuActionsTest, WebSearchAndDefinitionURLsAreEscapedAsUtf8)
{
    const struct {
        const char* text;
        const char* search;
        const char* definition;
    } cases[] = {
        { "olive  oil", "https://duckduckgo.com/?q=olive++oil", "https://en.wikipedia.org/wiki/olive__oil" },
        { "crème brûlée", "https://duckduckgo.com/?q=cr%C3%A8me+br%C3%BBl%C3%A9e",
            "https://en.wikipedia.org/wiki/cr%C3%A8me_br%C3%BBl%C3%A9e" },
        { "½ cup", "https://duckduckgo.com/?q=%C2%BD+cup", "https://en.wikipedia.org/wiki/%C2%BD_cup" },
        { "350°F\nbake", "https://duckduckgo.com/?q=350%C2%B0F+bake",
            "https://en.wikipedia.org/wiki/350%C2%B0F_bake" },
        // Signs that mean something in a URL stay the user's text.
        { "C++ & a/b?", "https://duckduckgo.com/?q=C%2B%2B+%26+a%2Fb%3F",
            "https://en.wikipedia.org/wiki/C%2B%2B_%26_a%2Fb%3F" },
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ContextualMenuEngine::webSearchURL(text).toEncoded(), QByteArray(c.search));
        EXPECT_EQ(ContextualMenuEngine::lookupTermURL(text).toEncoded(), QByteArray(c.definition));
    }
}

TEST_F(MenuActionsTest, TheHostsComeFromTheDefaults)
{
    UserDefaults::standardUserDefaults().setObject(
        QStringLiteral("https://search.example/find?lang=en"), KRWebSearchURL);
    UserDefaults::standardUserDefaults().setObject(
        QStringLiteral("https://wiki.example/"), KRDefinitionLookupURL);
    EXPECT_EQ(ContextualMenuEngine::webSearchURL(QStringLiteral("pie")).toString(),
        QStringLiteral("https://search.example/find?lang=en&q=pie"));
    EXPECT_EQ(ContextualMenuEngine::lookupTermURL(QStringLiteral("pie")).toString(),
        QStringLiteral("https://wiki.example/wiki/pie"));
}

TEST_F(MenuActionsTest, StandardItemsCarryTheTextToTheirActions)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Apple Pie"));
    const MenuModelPtr menu = engine->buildRecipeContextualMenu(pie);
    engine->performAction(item(menu, QStringLiteral("Copy to clipboard")));
    engine->performAction(item(menu, QStringLiteral("Search the web for \"Apple Pie\"")));
    engine->performAction(item(menu, QStringLiteral("Lookup definition of \"Apple Pie\"")));
    EXPECT_EQ(calls, QStringList({ "copy Apple Pie" }));
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].toString(), QStringLiteral("https://duckduckgo.com/?q=Apple+Pie"));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("https://en.wikipedia.org/wiki/Apple_Pie"));
}

TEST_F(MenuActionsTest, DesktopSearchIsOfferedOnlyWithATool)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    const QString title = QStringLiteral("Search this computer for \"Pie\"");
    EXPECT_FALSE(enabled(engine->buildRecipeContextualMenu(pie), title));
    // Asked anyway (a tool that went away): told, and logged.
    engine->performAction(item(engine->buildRecipeContextualMenu(pie), title));
    EXPECT_EQ(presented, QStringList({ "Desktop search is currently unavailable" }));

    registeredService = QStringLiteral("org.kde.krunner");
    const MenuModelPtr menu = engine->buildRecipeContextualMenu(pie);
    EXPECT_TRUE(enabled(menu, title));
    engine->performAction(item(menu, title));
    EXPECT_EQ(calls, QStringList({ "bus query Pie" }));
    busAnswers = false;
    engine->performAction(item(menu, title));
    EXPECT_EQ(presented.size(), 2);
}

TEST(DesktopSearchTest, FindsKRunnerThenCatfish)
{
    const struct {
        const char* what;
        bool krunner;
        bool catfish;
        const char* tool;
    } cases[] = {
        { "Plasma", true, true, "KRunner" },
        { "Catfish installed", false, true, "Catfish" },
        { "neither", false, false, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList started;
        DesktopSearch::Environment environment;
        environment.serviceRegistered = [&](const QString&) { return c.krunner; };
        environment.callBus = [&](const QString& service, const QString& path, const QString&,
                                  const QString& method, const QString& argument) {
            started.append(QStringList({ service, path, method, argument }).join(u' '));
            return true;
        };
        environment.findExecutable = [&](const QString& program) {
            return c.catfish ? QStringLiteral("/usr/bin/") + program : QString();
        };
        environment.startDetached = [&](const QString& program, const QStringList& arguments) {
            started.append(program + u' ' + arguments.mid(0, 1).join(u' ') + u' ' + arguments.last());
            return true;
        };
        const DesktopSearch search(environment);
        EXPECT_EQ(search.toolName(), QString::fromLatin1(c.tool));
        EXPECT_EQ(search.showSearchWindow(QStringLiteral("-rf soup")), *c.tool != '\0');
        if (QLatin1String(c.tool) == QLatin1String("KRunner"))
            EXPECT_EQ(started, QStringList({ "org.kde.krunner /App query -rf soup" }));
        else if (QLatin1String(c.tool) == QLatin1String("Catfish"))
            EXPECT_EQ(started, QStringList({ "/usr/bin/catfish -- -rf soup" }));
        else
            EXPECT_TRUE(started.isEmpty());
    }
}

TEST(ScaleSheetTest, TagsAndCustomFactors)
{
    const struct {
        int tag;
        const char* custom;
        const char* factor; // nullptr: refused
    } cases[] = {
        { 1, "", "0.5" },
        { 2, "", "2" },
        { 3, "", "3" },
        { 4, "", "4" },
        { 5, "1.5", "1.5" },
        { 5, "1½", "1.5" },
        { 5, "3/4", "0.75" },
        { 5, "", nullptr },
        { 5, "0", nullptr },
        { 5, "-2", nullptr },
        { 5, "lots", nullptr },
        { 0, "", nullptr },
        { 9, "", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.tag) + " " + c.custom);
        ScaleSheet sheet(ScaleSheet::Variant::Recipe);
        sheet.changeYieldPopup(c.tag);
        sheet.setCustomValue(QString::fromUtf8(c.custom));
        const std::optional<Decimal> factor = sheet.scaleFactor();
        EXPECT_EQ(factor.has_value(), c.factor != nullptr);
        EXPECT_EQ(sheet.problem().isEmpty(), c.factor != nullptr);
        if (c.factor && factor) {
            EXPECT_EQ(factor->compare(Decimal::decimalNumberWithString(QString::fromLatin1(c.factor))),
                Decimal::ComparisonResult::OrderedSame);
        }
    }
}

TEST(ScaleSheetTest, TheCustomFactorTakesThePopUpsPlace)
{
    ScaleSheet sheet(ScaleSheet::Variant::Ingredient);
    EXPECT_TRUE(sheet.popupVisible());
    EXPECT_FALSE(sheet.customFieldVisible());
    EXPECT_EQ(sheet.selectedTag(), 2);
    EXPECT_TRUE(sheet.ingredientCaptionVisible());
    EXPECT_FALSE(sheet.recipeCaptionVisible());
    sheet.changeYieldPopup(3);
    EXPECT_TRUE(sheet.popupVisible());
    sheet.changeYieldPopup(ScaleSheet::kCustomTag);
    EXPECT_FALSE(sheet.popupVisible());
    EXPECT_TRUE(sheet.customFieldVisible());
    EXPECT_TRUE(sheet.customFieldFocused());
}

TEST_F(MenuActionsTest, ScalingARecipeAndWhatStopsIt)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    ManagedObject* flour = addIngredient(pie, 1, QStringLiteral("2"), QStringLiteral("cup"), {},
        QStringLiteral("flour"), QStringLiteral("2 cup flour"));
    shown = pie;
    MenuItemModel changeYield
        = item(engine->buildRecipeContextualMenu(pie), QStringLiteral("Change Yield of Recipe…"));
    auto amount = [&] { return flour->valueForKey(QStringLiteral("amount")).toString(); };

    sheets.scaleCode = 0; // cancelled
    engine->performAction(changeYield);
    EXPECT_EQ(amount(), QStringLiteral("2"));

    sheets.scaleCode = 1;
    for (const char* custom : { "0", "-1", "" }) {
        sheets.playScale = [custom](ScaleSheet& sheet) {
            sheet.changeYieldPopup(ScaleSheet::kCustomTag);
            sheet.setCustomValue(QString::fromLatin1(custom));
        };
        engine->performAction(changeYield);
        EXPECT_EQ(amount(), QStringLiteral("2")) << custom;
    }
    sheets.playScale = [](ScaleSheet& sheet) { sheet.changeYieldPopup(7); };
    engine->performAction(changeYield);
    EXPECT_EQ(amount(), QStringLiteral("2"));
    EXPECT_EQ(presented.size(), 4); // each refusal says why

    sheets.playScale = nullptr; // the sheet's own choice: doubling
    engine->performAction(changeYield);
    EXPECT_EQ(amount(), QStringLiteral("4"));
    EXPECT_TRUE(pie->isDirty());
}

TEST_F(MenuActionsTest, ScalingWithoutContextScalesNothing)
{
    MenuItemModel changeYield;
    changeYield.action = QStringLiteral("changeRecipeAmount:");
    engine->performAction(changeYield); // no represented recipe, none shown
    EXPECT_EQ(sheets.scaleRuns, 1);
    EXPECT_TRUE(presented.isEmpty());
}

TEST_F(MenuActionsTest, ScalingOneIngredient)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    ManagedObject* flour = addIngredient(pie, 1, QStringLiteral("2"), QStringLiteral("cup"), {},
        QStringLiteral("flour"), QStringLiteral("2 cup flour"));
    ManagedObject* sugar = addIngredient(pie, 2, QStringLiteral("1"), QStringLiteral("cup"), {},
        QStringLiteral("sugar"), QStringLiteral("1 cup sugar"));
    sheets.playScale = [](ScaleSheet& sheet) {
        EXPECT_TRUE(sheet.ingredientCaptionVisible());
        sheet.changeYieldPopup(1);
    };
    engine->performAction(
        item(engine->buildIngredientMenuForRecipeIngredient(flour), QStringLiteral("Change amount…")));
    EXPECT_EQ(flour->valueForKey(QStringLiteral("amount")).toString(), QStringLiteral("1"));
    EXPECT_EQ(sugar->valueForKey(QStringLiteral("amount")).toString(), QStringLiteral("1"));
}

TEST_F(MenuActionsTest, ChangingTheIngredient)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    auto* line = static_cast<RecipeIngredientMO*>(addIngredient(pie, 1, QStringLiteral("2"),
        QStringLiteral("Tbsp"), {}, QStringLiteral("margarine"), QStringLiteral("2 Tbsp margarine")));
    insertNamed(QStringLiteral("Ingredient"), QStringLiteral("butter"));
    const MenuItemModel change
        = item(engine->buildIngredientMenuForRecipeIngredient(line), QStringLiteral("Change ingredient…"));

    sheets.typedName = QStringLiteral("   ");
    engine->performAction(change);
    EXPECT_EQ(sheets.shownName, QStringLiteral("margarine"));
    EXPECT_EQ(
        line->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString(), QStringLiteral("margarine"));

    sheets.typedName = QStringLiteral("butter");
    sheets.changeCode = 0;
    engine->performAction(change);
    EXPECT_EQ(
        line->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString(), QStringLiteral("margarine"));

    sheets.changeCode = 1;
    engine->performAction(change);
    EXPECT_EQ(sheets.completion, std::optional<QString>(QStringLiteral("butter")));
    EXPECT_EQ(
        line->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString(), QStringLiteral("butter"));
    EXPECT_EQ(line->string(), QStringLiteral("2 Tbsp butter"));
    EXPECT_FALSE(line->updateDisplayStringFromSetterValues());
    EXPECT_TRUE(pie->isDirty());
}

TEST_F(MenuActionsTest, TheRecipeMenusUnitsItem)
{
    EXPECT_FALSE(engine->recipeMenuConvertItem()->enabled); // no recipe shown
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    shown = pie;
    ManagedObject* line = addIngredient(pie, 1, QStringLiteral("200"), QStringLiteral("g"), {},
        QStringLiteral("flour"), QStringLiteral("200 g flour"));
    const struct {
        int system;
        const char* measure;
        const char* title; // nullptr: the item goes
        bool enabled;
    } cases[] = {
        { 1, "g", "Convert to Metric units", false },
        { 1, "cup", "Convert to Metric units", true },
        { 2, "g", "Convert to Imperial/SI units", true },
        { 2, "cup", "Convert to Imperial/SI units", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.system) + c.measure);
        setMeasurementSystem(c.system);
        line->setValueForKey(QString::fromLatin1(c.measure), QStringLiteral("measure"));
        const std::optional<MenuItemModel> convert = engine->recipeMenuConvertItem();
        ASSERT_EQ(convert.has_value(), c.title != nullptr);
        if (!convert)
            continue;
        EXPECT_EQ(convert->title, QString::fromLatin1(c.title));
        EXPECT_EQ(convert->enabled, c.enabled);
        EXPECT_EQ(convert->tag, 2);
    }
}

TEST_F(MenuActionsTest, TheRecipeMenusGroceryLists)
{
    groceryLists = { QStringLiteral("Weekend") };
    auto states = [&] {
        QList<bool> result;
        const MenuModelPtr menu = engine->recipeMenuGroceryListSubmenu();
        for (const MenuItemModel& entry : menu->items())
            if (!entry.separator)
                result.append(entry.enabled);
        return result;
    };
    EXPECT_EQ(states(), QList<bool>({ false, false }));
    shown = recipeNamed(QStringLiteral("Pie"));
    EXPECT_EQ(states(), QList<bool>({ true, true }));
    groceryHidden = false;
    EXPECT_EQ(states(), QList<bool>({ false, false }));
    const MenuModelPtr menu = engine->recipeMenuGroceryListSubmenu();
    EXPECT_FALSE(menu->autoenablesItems());
    const MenuItemModel& create = item(menu, QStringLiteral("Create new Grocery List from this Recipe…"));
    EXPECT_EQ(create.keyEquivalent, QStringLiteral("g"));
    EXPECT_EQ(create.keyEquivalentModifiers, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(create.contextualFont);
}

TEST_F(MenuActionsTest, TheMainMenuRecipeIsKeptUpToDate)
{
    QMenu other(QStringLiteral("&Edit"));
    engine->installInRecipeMenu(&other);
    EXPECT_TRUE(other.actions().isEmpty());

    QMenu recipe(QStringLiteral("&Recipe"));
    engine->installInRecipeMenu(&recipe);
    QAction* convert = nullptr;
    QMenu* groceries = nullptr;
    for (QAction* action : recipe.actions()) {
        if (action->property("tag").toInt() == 2)
            convert = action;
        if (action->menu())
            groceries = action->menu();
    }
    ASSERT_TRUE(convert);
    ASSERT_TRUE(groceries);
    EXPECT_EQ(convert->text(), QStringLiteral("Convert to Metric units"));
    EXPECT_FALSE(convert->isEnabled());
    groceryLists = { QStringLiteral("Weekend") };
    setMeasurementSystem(2);
    shown = recipeNamed(QStringLiteral("Pie"));
    engine->menuNeedsUpdate(&recipe);
    EXPECT_TRUE(convert->isVisible());
    EXPECT_EQ(convert->text(), QStringLiteral("Convert to Imperial/SI units"));
    ASSERT_EQ(groceries->actions().size(), 3);
    groceries->actions().last()->trigger();
    EXPECT_EQ(calls, QStringList({ "addRecipe 0 Pie" }));
}

TEST_F(MenuActionsTest, QtMenusMirrorTheModel)
{
    MenuModel model(QStringLiteral("Mac & Cheese"));
    model.setAutoenablesItems(false);
    MenuItemModel checked;
    checked.title = QStringLiteral("Salt & Pepper");
    checked.action = QStringLiteral("setHaveIt:");
    checked.checked = true;
    checked.contextualFont = true;
    model.addItem(checked);
    model.addSeparator();
    MenuItemModel disabled;
    disabled.title = QStringLiteral("Off");
    disabled.action = QStringLiteral("copyString:");
    disabled.enabled = false;
    model.addItem(disabled);
    MenuItemModel parent;
    parent.title = QStringLiteral("More");
    parent.submenu = std::make_shared<MenuModel>(QStringLiteral("more"));
    MenuItemModel child;
    child.title = QStringLiteral("Inside");
    child.action = QStringLiteral("webSearch:");
    parent.submenu->addItem(child);
    model.addItem(parent);

    QStringList performed;
    std::unique_ptr<QMenu> menu(QtMenuBuilder::menuFromModel(
        model, [&](const MenuItemModel& chosen) { performed.append(chosen.action); }));
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(menu->title(), QStringLiteral("Mac && Cheese"));
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Salt && Pepper"));
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_EQ(actions[0]->font(), ContextualMenuEngine::fontForContextualMenuItems());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_FALSE(actions[2]->isEnabled());
    ASSERT_TRUE(actions[3]->menu());
    actions[0]->trigger();
    actions[3]->menu()->actions().first()->trigger();
    EXPECT_EQ(performed, QStringList({ "setHaveIt:", "webSearch:" }));

    // Filled again, the earlier items go.
    QtMenuBuilder::fillMenu(menu.get(), MenuModel(QStringLiteral("empty")), {});
    EXPECT_TRUE(menu->actions().isEmpty());
}

} // namespace
