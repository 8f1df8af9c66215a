#include "SubstitutionPreferencesController.h"

#include "ControllerFixture.h"
#include "EntityDescription.h"
#include "ManagedObject.h"
#include "SubstitutionDropBox.h"
#include "SubstitutionIngredientTableView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>

namespace
{

class SubstitutionPreferencesControllerTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        launch();
        butter = make(QStringLiteral("Ingredient"), QStringLiteral("butter"));
        margarine = make(QStringLiteral("Ingredient"), QStringLiteral("margarine"));
        rule = make(QStringLiteral("Substitution"), QString());
        rule->setValueForKey(QVariant::fromValue<ManagedObject*>(butter), QStringLiteral("ingredient"));
        rule->setValueForKey(QVariant::fromValue<ManagedObject*>(margarine), QStringLiteral("substitute"));
        subs = std::make_unique<SubstitutionPreferencesController>(*controller, presenter);
        pane.reset(subs->view());
        subs->selectRule(rule);
    }
    void TearDown() override
    {
        pane.reset();
        subs.reset();
        ControllerFixture::TearDown();
    }

    ManagedObject* make(const QString& entity, const QString& name)
    {
        ManagedObject* object = EntityDescription::insertNewObjectForEntityForName(entity, context());
        if (!name.isEmpty())
            object->setValueForKey(name, QStringLiteral("name"));
        context()->processPendingChanges();
        return object;
    }
    QString side(const QString& key) const
    {
        const KeyValueCoding* held = KeyValueCoding::fromVariant(rule->valueForKey(key));
        return held ? held->valueForKey(QStringLiteral("name")).toString() : QString();
    }
    QString topText() const { return subs->topBox()->ingredientField()->text(); }
    QString bottomText() const { return subs->bottomBox()->ingredientField()->text(); }

    ManagedObject* butter = nullptr;
    ManagedObject* margarine = nullptr;
    ManagedObject* rule = nullptr;
    std::unique_ptr<SubstitutionPreferencesController> subs;
    std::unique_ptr<QWidget> pane;
};

} // namespace

TEST_F(SubstitutionPreferencesControllerTest, DirectionPopupSwapsStoredSidesWhileBoxesKeepTheirText)
{
    ASSERT_EQ(subs->selectedRule(), rule);
    EXPECT_EQ(topText(), QStringLiteral("butter"));
    EXPECT_EQ(bottomText(), QStringLiteral("margarine"));
    EXPECT_EQ(subs->substitutionTableView()->currentItem()->text(), QStringLiteral("butter with margarine"));

    subs->chooseDirection(1); // already chosen
    EXPECT_EQ(side(QStringLiteral("ingredient")), QStringLiteral("butter"));

    subs->chooseDirection(0);
    EXPECT_EQ(side(QStringLiteral("ingredient")), QStringLiteral("margarine"));
    EXPECT_EQ(side(QStringLiteral("substitute")), QStringLiteral("butter"));
    EXPECT_EQ(topText(), QStringLiteral("butter"));
    EXPECT_EQ(bottomText(), QStringLiteral("margarine"));
    EXPECT_EQ(subs->substitutionTableView()->currentItem()->text(), QStringLiteral("butter for margarine"));
}

TEST_F(SubstitutionPreferencesControllerTest, InvertTradesTheBoxesOnScreen)
{
    subs->invert();
    EXPECT_EQ(side(QStringLiteral("ingredient")), QStringLiteral("margarine"));
    EXPECT_EQ(topText(), QStringLiteral("margarine"));
    EXPECT_EQ(bottomText(), QStringLiteral("butter"));
}

TEST_F(SubstitutionPreferencesControllerTest, DroppingADraggedIngredientRowSetsTheBoxSide)
{
    ManagedObject* oil = make(QStringLiteral("Ingredient"), QStringLiteral("oil"));
    subs->reloadIngredients();
    const qsizetype row = subs->ingredients().indexOf(oil);
    ASSERT_GE(row, 0);
    std::unique_ptr<QMimeData> dragged(subs->ingredientTableView()->mimeDataForRows({ 0, int(row) }));
    ASSERT_TRUE(dragged && dragged->hasUrls());
    EXPECT_TRUE(subs->bottomBox()->acceptsDrag());
    EXPECT_TRUE(subs->bottomBox()->performDrop(dragged->urls().first()));
    EXPECT_EQ(side(QStringLiteral("substitute")), QStringLiteral("oil"));
    EXPECT_EQ(bottomText(), QStringLiteral("oil"));
    EXPECT_FALSE(subs->topBox()->performDrop(QUrl(QStringLiteral("https://example.com/oil"))));

    // Without a selected rule nothing may be dropped.
    subs->selectRule(nullptr);
    EXPECT_FALSE(subs->topBox()->acceptsDrag());
    EXPECT_FALSE(subs->ingredientTableView()->isEnabled());
}

TEST_F(SubstitutionPreferencesControllerTest, RulesAreAddedAndRemoved)
{
    const qsizetype before = subs->rules().size();
    subs->addRule();
    EXPECT_EQ(subs->rules().size(), before + 1);
    EXPECT_NE(subs->selectedRule(), rule);
    EXPECT_TRUE(topText().isEmpty());
    subs->removeRule();
    EXPECT_EQ(subs->rules().size(), before);
    subs->selectRule(nullptr);
    subs->removeRule();
    EXPECT_EQ(presenter.beeps, 1);
}
