#include "CookingFixture.h"
#include "Log.h"
#include "RVFullScreenIngredientView.h"
#include "RVFullScreenSplitView.h"
#include "RVFullScreenWindow.h"

#include <QPointer>
#include <QTest>

using Sender = RVFullScreenController::Sender;

namespace
{

class CookingControllerTest : public CookingFixture
{
};

TEST_F(CookingControllerTest, EnteringShowsTheRecipeAndListensToTheRemote)
{
    enter(recipe(3));
    EXPECT_TRUE(controller->inFullScreenMode());
    ASSERT_TRUE(controller->window());
    EXPECT_EQ(controller->window()->size(), QSize(1024, 768));
    EXPECT_EQ(RVFullScreenContentView::defaultFontSize(), 32);
    EXPECT_EQ(content()->displayedRecipe().name, QStringLiteral("Pancakes"));
    EXPECT_EQ(content()->directionView()->directionCount(), 3);
    EXPECT_EQ(remoteStarts, 1);
    EXPECT_FALSE(controller->isPlaying() || controller->isPaused() || controller->inSpeakingMode()
        || controller->inListeningMode());
    EXPECT_FALSE(controller->enterFullScreenForRecipe(static_cast<RecipeMO*>(nullptr)));
}

TEST_F(CookingControllerTest, FontSizeFollowsTheScreenHeight)
{
    const std::pair<double, int> table[] = { { 1200, 48 }, { 951, 48 }, { 950, 40 }, { 800, 40 }, { 799, 32 },
        { 768, 32 }, { 767, 24 }, { 600, 24 } };
    for (const auto& [height, size] : table) {
        EXPECT_EQ(RVFullScreenController::defaultFontSizeForScreenHeight(height), size) << height;
        EXPECT_EQ(RVFullScreenController::gradientHeightForScreenHeight(height), size) << height;
    }
    screen = QSize(1280, 950);
    enter(recipe(2), false);
    EXPECT_EQ(RVFullScreenContentView::defaultFontSize(), 40);
    EXPECT_EQ(content()->directionView()->gradientHeight(), 40);
}

TEST_F(CookingControllerTest, DebugModeAlwaysOpensAWindow)
{
    defaults.defaults().setBool(true, QStringLiteral("KRDebugMode"));
    screen = QSize(1920, 1200);
    enter(recipe(2), false);
    EXPECT_EQ(controller->window()->size(), QSize(1024, 768));
    EXPECT_EQ(RVFullScreenContentView::defaultFontSize(), 32);
}

TEST_F(CookingControllerTest, PlayingAdvancesEveryEightSecondsAndStopsAtTheEnd)
{
    enter(recipe(3));
    controller->play(Sender::View);
    EXPECT_TRUE(controller->isPlaying());
    EXPECT_TRUE(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::PlayPause));
    clock.advance(7.9);
    EXPECT_EQ(index(), 0);
    clock.advance(0.1 + stepTime);
    EXPECT_EQ(index(), 1);
    clock.advance(7.9);
    EXPECT_EQ(index(), 1);
    clock.advance(0.1 + stepTime);
    EXPECT_EQ(index(), 2);
    // The last step reached: playing ends and the button says so.
    EXPECT_FALSE(controller->isPlaying());
    EXPECT_TRUE(controller->isPaused());
    EXPECT_FALSE(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::PlayPause));
    clock.advance(60);
    EXPECT_EQ(index(), 2);
}

TEST_F(CookingControllerTest, OnTheLastStepPlayingAdvancesAtOnce)
{
    enter(recipe(2));
    controller->setIsPlaying(true);
    content()->nextStep();
    clock.advance(stepTime);
    ASSERT_EQ(index(), 1);
    controller->setIsPlaying(true);
    // The direction view announces the last step: the next advance is due now, not in 8 s.
    NotificationCenter::defaultCenter().postNotificationName(RVFullScreenDirectionViewDidChangeDirectionText,
        static_cast<const QObject*>(content()->directionView()),
        { { RVFullScreenDirectionViewCurrentDirectionKey, 1 } });
    int finished = 0;
    ScopedObserver watch(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(RVFullScreenDirectionViewDidFinishPlayingRecipe,
            nullptr, [&finished](const Notification&) { ++finished; }));
    clock.advance(0);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller->isPlaying());
}

TEST_F(CookingControllerTest, PausingCancelsThePendingAdvance)
{
    enter(recipe(3));
    controller->togglePlaying(Sender::View);
    clock.advance(4);
    controller->togglePlaying(Sender::View);
    EXPECT_TRUE(controller->isPaused());
    clock.advance(30);
    EXPECT_EQ(index(), 0);
}

TEST_F(CookingControllerTest, SpeakingPlaysStepByStepTwoSecondsAfterEachIsSpoken)
{
    enter(recipe(3));
    controller->speak(Sender::View);
    EXPECT_TRUE(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::Speak));
    clock.advance(0.5);
    ASSERT_EQ(synth->spoken, QStringList { QStringLiteral("Step 1 at 350 degrees.\n") });
    controller->play(Sender::View);
    synth->finish(true);
    clock.advance(0);
    // Speech ended while playing: the next step comes 2 s later, and is spoken in turn.
    clock.advance(1.9);
    EXPECT_EQ(index(), 0);
    clock.advance(0.1 + stepTime);
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(synth->spoken.last(), QStringLiteral("Step 2 at 350 degrees.\n"));
    // Paused and played again: the step goes on where it was, not from its start.
    const qsizetype said = synth->spoken.size();
    controller->pause();
    EXPECT_TRUE(synth->paused);
    controller->play(Sender::View);
    clock.advance(1);
    EXPECT_EQ(synth->continued, 1);
    EXPECT_EQ(synth->spoken.size(), said);
}

TEST_F(CookingControllerTest, SpeechThatEndsWhileNotPlayingDoesNotAdvance)
{
    enter(recipe(3));
    controller->speak(Sender::View);
    clock.advance(0.5);
    synth->finish(true);
    clock.advance(10);
    EXPECT_EQ(index(), 0);
}

struct ExitCase {
    const char* how;
    std::function<void(CookingFixture&, RVFullScreenController&)> exit;
    int notices;
};

TEST_F(CookingControllerTest, LeavingAnnouncesItselfOnceUnlessThePageEndsIt)
{
    const ExitCase cases[] = {
        { "exit button",
            [](CookingFixture&, RVFullScreenController& c) {
                c.contentView()->overlayView()->performClick(RVFullScreenOverlayView::Cell::Exit);
            },
            1 },
        { "escape",
            [](CookingFixture&, RVFullScreenController& c) {
                QTest::keyClick(c.contentView(), Qt::Key_Escape);
            },
            1 },
        { "q",
            [](CookingFixture&, RVFullScreenController& c) { QTest::keyClick(c.contentView(), Qt::Key_Q); },
            1 },
        { "voice",
            [](CookingFixture&, RVFullScreenController& c) {
                c.speechRecognizerDidRecognizeCommand(QStringLiteral("Exit Fullscreen"));
            },
            1 },
        { "remote menu", [](CookingFixture&, RVFullScreenController& c) { c.sendRemoteButtonEvent(8, true); },
            1 },
        { "close button", [](CookingFixture&, RVFullScreenController& c) { c.window()->close(); }, 1 },
        { "recipe page",
            [](CookingFixture&, RVFullScreenController& c) { c.exitFullScreen(Sender::RecipeController); },
            0 },
    };
    for (const ExitCase& exitCase : cases) {
        SCOPED_TRACE(exitCase.how);
        exitNotices = 0;
        remoteStops = 0;
        enter(recipe(2));
        QPointer<RVFullScreenWindow> window = controller->window();
        exitCase.exit(*this, *controller);
        clock.advance(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(exitNotices, exitCase.notices);
        EXPECT_FALSE(controller->inFullScreenMode());
        EXPECT_FALSE(window);
        EXPECT_EQ(remoteStops, 1);
        EXPECT_FALSE(controller->hasActivityTimer() || controller->hasSleepTimer());
    }
}

TEST_F(CookingControllerTest, KeysActAsTheOverlayButtons)
{
    enter(recipe(3));
    QTest::keyClick(content(), Qt::Key_Space);
    EXPECT_TRUE(controller->isPlaying());
    QTest::keyClick(content(), Qt::Key_Space);
    EXPECT_FALSE(controller->isPlaying());
    QTest::keyClick(content(), Qt::Key_Down);
    clock.advance(stepTime);
    EXPECT_EQ(index(), 1);
    QTest::keyClick(content(), Qt::Key_Right);
    clock.advance(stepTime);
    EXPECT_EQ(index(), 2);
    QTest::keyClick(content(), Qt::Key_Up);
    clock.advance(stepTime);
    EXPECT_EQ(index(), 1);
    QTest::keyClick(content(), Qt::Key_Return);
    QTest::keyClick(content(), Qt::Key_A);
    clock.advance(10);
    EXPECT_EQ(index(), 1);
    EXPECT_TRUE(controller->inFullScreenMode());
}

TEST_F(CookingControllerTest, RemoteButtonsActOnPressesOnly)
{
    enter(recipe(3));
    controller->sendRemoteButtonEvent(RVFullScreenController::RemotePlay, false);
    controller->sendRemoteButtonEvent(RVFullScreenController::RemotePlayHold, true);
    controller->sendRemoteButtonEvent(512, true);
    EXPECT_FALSE(controller->isPlaying());
    controller->sendRemoteButtonEvent(RVFullScreenController::RemotePlay, true);
    EXPECT_TRUE(controller->isPlaying());
    // The overlay follows a change it did not make.
    EXPECT_TRUE(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::PlayPause));
    controller->sendRemoteButtonEvent(RVFullScreenController::RemotePlay, true);
    EXPECT_FALSE(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::PlayPause));
    for (int button : { RVFullScreenController::RemoteMinus, RVFullScreenController::RemoteRight }) {
        controller->sendRemoteButtonEvent(button, true);
        clock.advance(stepTime);
    }
    EXPECT_EQ(index(), 2);
    for (int button : { RVFullScreenController::RemotePlus, RVFullScreenController::RemoteLeft }) {
        controller->sendRemoteButtonEvent(button, true);
        clock.advance(stepTime);
    }
    EXPECT_EQ(index(), 0);
}

struct VoiceCase {
    const char* command;
    bool speakingBefore;
    bool speakingAfter;
    bool listeningAfter;
    bool playingAfter;
};

TEST_F(CookingControllerTest, VoiceCommandsDoWhatTheySay)
{
    const VoiceCase cases[] = {
        { "Play", false, false, true, true },
        { "Play Recipe", false, false, true, true },
        { "Pause", false, false, true, false },
        { "Stop", false, false, true, false },
        { "Start Speaking", false, true, true, false },
        { "Start Speaking", true, true, true, false },
        { "Stop Speaking", true, false, true, false },
        { "Stop Speaking", false, false, true, false },
        { "Stop Listening", false, false, false, false },
    };
    for (const VoiceCase& c : cases) {
        SCOPED_TRACE(c.command);
        enter(recipe(3));
        controller->listen(Sender::View);
        ASSERT_TRUE(heard && heard->listening);
        EXPECT_EQ(heard->commandList, RVFullScreenController::speechCommands());
        if (c.speakingBefore)
            controller->speak(Sender::View);
        heard->hear(QString::fromLatin1(c.command));
        EXPECT_EQ(controller->inSpeakingMode(), c.speakingAfter);
        EXPECT_EQ(controller->inListeningMode(), c.listeningAfter);
        EXPECT_EQ(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::Listen), c.listeningAfter);
        EXPECT_EQ(overlay()->stateOfCell(RVFullScreenOverlayView::Cell::Speak), c.speakingAfter);
        EXPECT_EQ(controller->isPlaying(), c.playingAfter);
        controller->exitFullScreen(Sender::RecipeController);
        EXPECT_FALSE(controller->speechRecognizer());
    }
}

TEST_F(CookingControllerTest, VoiceMovesPartlyAndReadsIngredients)
{
    enter(recipe(3, 2));
    controller->listen(Sender::View);
    heard->hear(QStringLiteral("Next Direction"));
    clock.advance(stepTime);
    EXPECT_EQ(index(), 1);
    heard->hear(QStringLiteral("Previous Direction"));
    clock.advance(stepTime);
    EXPECT_EQ(index(), 0);
    heard->hear(QStringLiteral("Read Ingredients"));
    EXPECT_EQ(synth->spoken.last(), QStringLiteral("1 cup flour\n\n2 cup flour\n"));
    heard->hear(QStringLiteral("Dance"));
    EXPECT_EQ(synth->spoken.last(), QStringLiteral("Unrecognized Command, Dance"));
}

TEST_F(CookingControllerTest, ARecipeWithoutDirectionsOrIngredientsCanBeCooked)
{
    enter(recipe(0, 0));
    controller->speak(Sender::View);
    controller->play(Sender::View);
    controller->speakIngredients();
    clock.advance(1);
    EXPECT_TRUE(synth->spoken.isEmpty());
    controller->speak(Sender::View);
    controller->play(Sender::View);
    clock.advance(9);
    // Nothing to move to: playing ends instead of waiting forever.
    EXPECT_FALSE(controller->isPlaying());
    controller->nextStep(Sender::View);
    controller->previousStep(Sender::View);
    controller->sendRemoteButtonEvent(RVFullScreenController::RemoteRight, true);
    clock.advance(1);
    EXPECT_EQ(index(), 0);
    content()->repaint();
}

TEST_F(CookingControllerTest, KeepsTheScreenAwakeWhileTheCookIsActive)
{
    enter(recipe(2));
    clock.advance(25 * 3);
    EXPECT_EQ(pulses, 3);
    // Ten failures in a row stop the pulse.
    pulseResult = 1;
    Log::Capture log;
    clock.advance(25 * 12);
    EXPECT_EQ(pulses, 13);
    EXPECT_FALSE(controller->hasActivityTimer());
    EXPECT_EQ(RVFullScreenController::systemActivityFailures(), 10);
    EXPECT_TRUE(log.contains(QStringLiteral("Unable to update System Activity")));
    // The cook comes back: a new pulse with its own ten tries.
    pulseResult = 0;
    NotificationCenter::defaultCenter().postNotificationName(
        RVFullScreenDidHaveUserAvtivity, static_cast<const QObject*>(content()));
    EXPECT_TRUE(controller->hasActivityTimer());
    EXPECT_EQ(RVFullScreenController::systemActivityFailures(), 0);
    clock.advance(25);
    EXPECT_EQ(pulses, 14);
    // Ten minutes without activity let the machine sleep.
    clock.advance(600);
    EXPECT_FALSE(controller->hasActivityTimer());
    EXPECT_FALSE(controller->hasSleepTimer());
    const int before = pulses;
    clock.advance(100);
    EXPECT_EQ(pulses, before);
}

TEST_F(CookingControllerTest, OnlyTheIngredientBoxCollapsesAndTheDividerKeepsItsDistance)
{
    enter(recipe(2));
    EXPECT_TRUE(RVFullScreenController::splitViewCanCollapseSubview(content()->ingredientsView()));
    EXPECT_FALSE(RVFullScreenController::splitViewCanCollapseSubview(content()->directionView()));
    EXPECT_EQ(controller->splitViewConstrainMinCoordinate(content()->splitView(), 10), 68.0);
    QWidget elsewhere;
    EXPECT_EQ(controller->splitViewConstrainMinCoordinate(&elsewhere, 10), 10.0);
}

} // namespace
