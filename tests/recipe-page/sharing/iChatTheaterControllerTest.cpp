// The presentation to a video call, with a fake presentation manager: starting on a request, the
// alert without a recipe, and the ends: the cooking window closing or the other side stopping.
#include "iChatTheaterController.h"

#include "PresentationManager.h"
#include "VirtualClock.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace
{

class FakePresentationManager : public PresentationManager
{
public:
    State state() const override { return m_state; }
    void setVideoDataSource(QWidget* view) override { source = view; }
    void setVideoOptimizationOptions(int value) override { options = value; }
    void start() override { ++starts; }
    void stop() override
    {
        ++stops;
        // A real manager reports the end back.
        setState(Inactive);
    }
    void setState(State state)
    {
        m_state = state;
        emit stateChanged();
    }

    QWidget* source = nullptr;
    int options = 0;
    int starts = 0;
    int stops = 0;

private:
    State m_state = Inactive;
};

class iChatTheaterControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        contentView = new QWidget(&cookingWindow);
        iChatTheaterController::Outlets outlets;
        outlets.currentRecipe = [this] { return recipe; };
        outlets.cookingModeIsOn = [this] { return cookingOn; };
        outlets.enterCookingModeWindowed = [this](ManagedObject* entered) {
            enteredWith.append(entered);
            cookingOn = true;
        };
        outlets.cookingModeView = [this] { return cookingOn ? contentView : nullptr; };
        outlets.runAlert = [this](const QString& message, const QString& informative) {
            alerts.append(message + u'|' + informative);
        };
        controller.setOutlets(std::move(outlets));
        controller.setPresentationManager(&manager);
    }

    void closeCookingWindow()
    {
        QCloseEvent close;
        QCoreApplication::sendEvent(&cookingWindow, &close);
    }

    VirtualClock clock;
    FakePresentationManager manager;
    iChatTheaterController controller;
    QWidget cookingWindow;
    QWidget* contentView = nullptr;
    // Any non-null pointer stands for the current recipe; the controller only passes it on.
    ManagedObject* recipe = reinterpret_cast<ManagedObject*>(&cookingWindow);
    bool cookingOn = false;
    QList<ManagedObject*> enteredWith;
    QStringList alerts;
};

TEST_F(iChatTheaterControllerTest, ARequestPresentsTheCookingView)
{
    manager.setState(PresentationManager::Requested);
    EXPECT_EQ(enteredWith, QList<ManagedObject*>({ recipe }));
    EXPECT_EQ(manager.source, contentView);
    EXPECT_EQ(manager.options, 3);
    EXPECT_EQ(manager.starts, 1);
    EXPECT_TRUE(controller.isPresenting());
    EXPECT_EQ(controller.observedWindow(), &cookingWindow);
}

TEST_F(iChatTheaterControllerTest, CookingModeAlreadyOnIsNotEnteredAgain)
{
    cookingOn = true;
    manager.setState(PresentationManager::Requested);
    EXPECT_TRUE(enteredWith.isEmpty());
    EXPECT_EQ(manager.source, contentView);
    EXPECT_TRUE(controller.isPresenting());
}

TEST_F(iChatTheaterControllerTest, WithoutARecipeTheUserIsToldAndNothingStarts)
{
    recipe = nullptr;
    manager.setState(PresentationManager::Requested);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(
        alerts[0].startsWith(QStringLiteral("Unable To Start iChat Theater Session|Kitchora was unable")));
    EXPECT_EQ(manager.starts, 0);
    EXPECT_FALSE(controller.isPresenting());
    EXPECT_TRUE(enteredWith.isEmpty());
    // The request is ended on the next turn of the run loop.
    clock.advance(0);
    EXPECT_EQ(manager.stops, 1);
    EXPECT_EQ(manager.source, nullptr);
}

TEST_F(iChatTheaterControllerTest, ClosingTheCookingWindowEndsThePresentationOnce)
{
    manager.setState(PresentationManager::Requested);
    // A second request while presenting observes the same window once.
    manager.setState(PresentationManager::Requested);
    EXPECT_EQ(manager.starts, 2);
    closeCookingWindow();
    EXPECT_FALSE(controller.isPresenting());
    EXPECT_EQ(manager.stops, 1);
    EXPECT_EQ(manager.source, nullptr);
    EXPECT_EQ(controller.observedWindow(), nullptr);
    // The observer is gone: closing again changes nothing.
    closeCookingWindow();
    EXPECT_EQ(manager.stops, 1);
}

TEST_F(iChatTheaterControllerTest, AnEndFromTheOtherSideClearsThePresentingState)
{
    manager.setState(PresentationManager::Requested);
    bool reported = true;
    QObject::connect(&controller, &iChatTheaterController::isPresentingChanged, &controller,
        [&reported](bool presenting) { reported = presenting; });
    manager.setState(PresentationManager::Inactive);
    EXPECT_FALSE(controller.isPresenting());
    EXPECT_FALSE(reported);
    EXPECT_EQ(manager.source, nullptr);
    EXPECT_EQ(controller.observedWindow(), nullptr);
    closeCookingWindow();
    EXPECT_EQ(manager.stops, 1);
}

TEST_F(iChatTheaterControllerTest, WithoutACookingViewAnEmptyViewIsPresented)
{
    controller.setOutlets({ [this] { return recipe; }, [] { return true; }, {}, [] { return nullptr; }, {} });
    manager.setState(PresentationManager::Requested);
    ASSERT_NE(manager.source, nullptr);
    EXPECT_EQ(manager.source->size(), QSize(0, 0));
    EXPECT_TRUE(controller.isPresenting());
    controller.endedPresentation();
    EXPECT_EQ(manager.source, nullptr);
}

TEST_F(iChatTheaterControllerTest, APresentedViewThatGoesAwayEndsThePresentation)
{
    manager.setState(PresentationManager::Requested);
    delete contentView;
    EXPECT_FALSE(controller.isPresenting());
    EXPECT_EQ(manager.source, nullptr);
}

} // namespace
