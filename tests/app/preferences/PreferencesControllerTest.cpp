#include "PreferencesController.h"

#include "ControllerFixture.h"
#include "DropboxService.h"
#include "EntityDescription.h"
#include "FakeCloudAccount.h"
#include "NotificationCenter.h"
#include "PreferencesDefaults.h"
#include "RecipeMO.h"
#include "SubstitutionPreferencesController.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QParallelAnimationGroup>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>

namespace
{

class PreferencesControllerTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        cloudAccount = &cloud;
        launch();
        prefs = std::make_unique<PreferencesController>(
            *controller, presenter, [this] { ++hiddenDeviceShows; });
    }
    void TearDown() override
    {
        prefs.reset();
        ControllerFixture::TearDown();
    }

    QStringList visiblePanes() const
    {
        QStringList names;
        for (QWidget* child : prefs->contentSubview()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                names.append(child->objectName());
        }
        return names;
    }

    FakeCloudAccount cloud;
    std::unique_ptr<PreferencesController> prefs;
    int hiddenDeviceShows = 0;
};

const QStringList kPanes { "General", "Substitutions", "Units", "Sharing" };

} // namespace

TEST_F(PreferencesControllerTest, PanesAreRegisteredAfreshOnEachShowingAndTheToolbarMadeOnce)
{
    EXPECT_EQ(PreferencesController::sharedPreferencesController(), prefs.get());
    prefs->showWindow();
    QToolBar* toolbar = prefs->toolbar();
    ASSERT_NE(toolbar, nullptr);
    prefs->displayViewForIdentifier(QStringLiteral("Units"), false);
    prefs->showWindow();
    EXPECT_EQ(prefs->toolbar(), toolbar);
    EXPECT_EQ(prefs->toolbarIdentifiers(), kPanes);
    ASSERT_EQ(toolbar->actions().size(), kPanes.size());
    for (int i = 0; i < kPanes.size(); ++i)
        EXPECT_EQ(toolbar->actions().at(i)->text(), kPanes.at(i));
    EXPECT_EQ(prefs->shownIdentifier(), QStringLiteral("General"));
    EXPECT_EQ(prefs->window()->windowTitle(), QStringLiteral("General"));
    EXPECT_TRUE(prefs->toolbarItem(QStringLiteral("General"))->isChecked());
    EXPECT_EQ(visiblePanes(), QStringList { "General" });
}

TEST_F(PreferencesControllerTest, ShowingAPaneFitsTheWindowToItKeepingTheTopLeftCorner)
{
    prefs->showWindow();
    QMainWindow* window = prefs->window();
    for (const QString& pane : { QStringLiteral("Sharing"), QStringLiteral("Substitutions") }) {
        SCOPED_TRACE(pane.toStdString());
        const QPoint topLeft = window->geometry().topLeft();
        prefs->displayViewForIdentifier(pane, false);
        QWidget* view = prefs->viewForIdentifier(pane);
        EXPECT_EQ(window->geometry().topLeft(), topLeft);
        EXPECT_EQ(window->width(), view->width());
        EXPECT_EQ(window->height(), view->height() + prefs->toolbar()->sizeHint().height());
        EXPECT_EQ(visiblePanes(), QStringList { pane });
        EXPECT_EQ(window->windowTitle(), pane);
    }
}

TEST_F(PreferencesControllerTest, CrossFadeTakesLongerWithShiftAndEndsWithOnlyTheNewPane)
{
    prefs->showWindow();
    bool shift = false;
    prefs->setShiftKeyProbe([&shift] { return shift; });

    // The pane already shown: nothing happens.
    prefs->displayViewForIdentifier(QStringLiteral("General"), true);
    EXPECT_EQ(prefs->viewAnimation(), nullptr);

    struct Case {
        bool shift;
        const char* pane;
        int milliseconds;
    };
    for (const Case& c : { Case { false, "Units", 250 }, Case { true, "Sharing", 1250 } }) {
        shift = c.shift;
        prefs->displayViewForIdentifier(QString::fromLatin1(c.pane), true);
        QParallelAnimationGroup* animation = prefs->viewAnimation();
        ASSERT_NE(animation, nullptr);
        EXPECT_EQ(animation->duration(), c.milliseconds);
        EXPECT_EQ(visiblePanes().size(), 2);
        animation->setCurrentTime(animation->duration());
        EXPECT_EQ(prefs->viewAnimation(), nullptr);
        EXPECT_EQ(visiblePanes(), QStringList { QString::fromLatin1(c.pane) });
        QWidget* view = prefs->viewForIdentifier(QString::fromLatin1(c.pane));
        EXPECT_EQ(prefs->window()->width(), view->width());
    }

    // Without cross-fading the change is immediate.
    prefs->setCrossFade(false);
    prefs->displayViewForIdentifier(QStringLiteral("General"), true);
    EXPECT_EQ(prefs->viewAnimation(), nullptr);
    EXPECT_EQ(visiblePanes(), QStringList { "General" });
}

TEST_F(PreferencesControllerTest, SharingPaneFollowsTheLinkState)
{
    prefs->showPane(QStringLiteral("Sharing"));
    EXPECT_EQ(prefs->dropboxLinkButton()->text(), QStringLiteral("Choose Synced Folder…"));
    EXPECT_EQ(prefs->dropboxStatusLabel()->text(), QStringLiteral("Not using a synced folder"));
    prefs->dropboxLinkButton()->click();
    EXPECT_EQ(dropbox.authentications, 1);
    EXPECT_EQ(dropbox.unlinks, 0);

    dropbox.linked = true;
    NotificationCenter::defaultCenter().postNotificationName(DBAuthHelperOSXStateChangedNotification);
    EXPECT_EQ(prefs->dropboxLinkButton()->text(), QStringLiteral("Stop Sharing"));
    EXPECT_EQ(prefs->dropboxStatusLabel()->text(), QStringLiteral("Sharing through the synced folder"));
    prefs->dropboxLinkButton()->click();
    EXPECT_EQ(dropbox.unlinks, 1);
    EXPECT_EQ(dropbox.authentications, 1);

    prefs->showHiddenDevices();
    EXPECT_EQ(hiddenDeviceShows, 1);
}

TEST_F(PreferencesControllerTest, MeasurementControlPostsOncePerChange)
{
    prefs->showWindow();
    int posted = 0;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver observer(center,
        center.addObserver(
            KRDefaultMeasurementSystemDidChange, prefs.get(), [&](const Notification&) { ++posted; }));
    QComboBox* control = prefs->measurementSystemControl();
    const int us = control->findData(qint64(2));
    const int metric = control->findData(qint64(1));
    prefs->setDefaultMeasurementSystem(1);
    posted = 0;
    for (int index : { us, us, metric }) {
        control->setCurrentIndex(index);
        emit control->activated(index);
    }
    EXPECT_EQ(posted, 2);
    EXPECT_EQ(control->currentIndex(), metric);
}

TEST_F(PreferencesControllerTest, HaveItSheetRefusesAnEmptyNameAndKeepsAsking)
{
    prefs->showWindow();
    for (const QString& answer : { QString(), QStringLiteral("  "), QStringLiteral("Saffron") })
        presenter.ingredientAnswers.enqueue(answer);
    prefs->startAddHaveIt();
    EXPECT_EQ(presenter.ingredientSheets, 3);
    EXPECT_EQ(presenter.beeps, 2);
    ASSERT_EQ(prefs->haveItIngredients().size(), 1);
    EXPECT_EQ(prefs->haveItTableView()->currentItem()->text().compare(
                  QStringLiteral("saffron"), Qt::CaseInsensitive),
        0);
    ASSERT_TRUE(presenter.lastCompletion);

    // Cancelling adds nothing.
    prefs->startAddHaveIt();
    EXPECT_EQ(prefs->haveItIngredients().size(), 1);

    prefs->removeIngredientHaveIt(prefs->haveItIngredients().first());
    EXPECT_TRUE(prefs->haveItIngredients().isEmpty());
    EXPECT_EQ(prefs->haveItTableView()->count(), 0);
}

TEST_F(PreferencesControllerTest, EditSheetThroughThePresenter)
{
    prefs->showWindow();
    presenter.usernameAnswers.enqueue({ Presenter::kSheetSave, QStringLiteral("cook") });
    prefs->editUsername();
    EXPECT_EQ(cloud.kinds(), QStringList { "create" });
    EXPECT_TRUE(prefs->usernameProgress()->isVisibleTo(prefs->window()));
    cloud.succeed();
    EXPECT_FALSE(prefs->usernameProgress()->isVisibleTo(prefs->window()));
    EXPECT_EQ(prefs->usernameLabel()->text(), QStringLiteral("cook"));

    presenter.usernameAnswers.enqueue({ Presenter::kSheetLostUsername, QString() });
    prefs->editUsername();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts.first().message.startsWith(QStringLiteral("Username Retrieval")));
    EXPECT_TRUE(presenter.alerts.first().message.contains(PreferencesController::supportEmailAddress()));

    // A connection failure alerts.
    presenter.usernameAnswers.enqueue({ Presenter::kSheetSave, QStringLiteral("chef") });
    prefs->editUsername();
    cloud.fail({ QStringLiteral("NSURLErrorDomain"), -1009, QStringLiteral("offline"), {} });
    ASSERT_EQ(presenter.alerts.size(), 2);
    EXPECT_TRUE(presenter.alerts.last().message.startsWith(
        QStringLiteral("Unable to establish a connection to the server.")));
    EXPECT_EQ(prefs->usernameLabel()->text(), QStringLiteral("cook"));
}

TEST_F(PreferencesControllerTest, FirstSubmitCreatesTheNameThenSharesTheRecipe)
{
    ManagedObject* recipe
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
    ASSERT_NE(recipe, nullptr);
    recipe->setValueForKey(true, QStringLiteral("share"));

    presenter.usernameAnswers.enqueue({ Presenter::kSheetSave, QStringLiteral("   ") });
    prefs->beginFirstSubmitUsernameSheet(recipe);
    EXPECT_TRUE(cloud.requests.isEmpty());
    EXPECT_EQ(presenter.beeps, 1);

    presenter.usernameAnswers.enqueue({ Presenter::kSheetSave, QStringLiteral("cook") });
    prefs->beginFirstSubmitUsernameSheet(recipe);
    ASSERT_EQ(cloud.kinds(), QStringList { "create" });
    EXPECT_TRUE(cloud.uploads.isEmpty());
    cloud.succeed();
    ASSERT_EQ(cloud.uploads.size(), 1);
    EXPECT_EQ(cloud.uploads.first().first, recipe);
    EXPECT_TRUE(cloud.uploads.first().second);

    // A refused name shares nothing.
    presenter.usernameAnswers.enqueue({ Presenter::kSheetSave, QStringLiteral("taken") });
    prefs->beginFirstSubmitUsernameSheet(recipe);
    cloud.fail({ QStringLiteral("QLMKitchoraCloudAgent"), 422, QStringLiteral("taken"), {} });
    EXPECT_EQ(cloud.uploads.size(), 1);

    defaults.defaults().setBool(true, KRAutoShareRecipes);
    presenter.usernameAnswers.enqueue({ Presenter::kSheetNeverShare, QString() });
    prefs->beginFirstSubmitUsernameSheet(recipe);
    EXPECT_FALSE(defaults.defaults().boolForKey(KRAutoShareRecipes));
}

// The help buttons open anchors of the help page; each must be there, or the page opens at its top.
TEST(HelpPageTest, HasEveryAnchorTheProgramOpens)
{
    QFile page(QStringLiteral(":/help/index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    for (const char* anchor : { "helpTopic36", "helpTopic39", "helpTopic40" })
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(anchor)))) << anchor;
}
