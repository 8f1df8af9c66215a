#pragma once

#include "NotificationCenter.h"
#include "RVFullScreenContentView.h"
#include "RVFullScreenController.h"
#include "RVFullScreenDirectionView.h"
#include "RVFullScreenOverlayView.h"
#include "ScratchUserDefaults.h"
#include "SpeechRecognizer.h"
#include "SpeechSynthesizer.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>
#include <memory>

// Speaks nothing; remembers what it was asked and finishes when the test says so.
class FakeSynthesizer : public SpeechSynthesizer
{
public:
    bool startSpeakingString(const QString& text) override
    {
        spoken.append(text);
        speaking = true;
        paused = false;
        return true;
    }
    void stopSpeakingAtBoundary(Boundary) override
    {
        if (speaking)
            finish(false);
    }
    void pauseSpeakingAtBoundary(Boundary) override { paused = speaking; }
    void continueSpeaking() override
    {
        if (paused)
            ++continued;
        paused = false;
    }
    bool isSpeaking() const override { return speaking; }
    void finish(bool finished)
    {
        speaking = false;
        paused = false;
        didFinishSpeaking(finished);
    }

    QStringList spoken;
    bool speaking = false;
    bool paused = false;
    int continued = 0;
};

class FakeRecognizer : public SpeechRecognizer
{
public:
    void setCommands(const QStringList& list) override { commandList = list; }
    QStringList commands() const override { return commandList; }
    void setBlocksOtherRecognizers(bool) override { }
    void setListensInForegroundOnly(bool) override { }
    void startListening() override { listening = true; }
    void stopListening() override { listening = false; }
    bool isListening() const override { return listening; }
    void hear(const QString& command) { didRecognizeCommand(command); }

    QStringList commandList;
    bool listening = false;
};

// A cooking controller with fake speech, a counted activity pulse and remote hooks, on a virtual
// clock; the recipe page's answer to the exit notification is played by the fixture.
class CookingFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RVFullScreenController::Outlets outlets;
        outlets.makeSpeechSynthesizer = [this] {
            auto synthesizer = std::make_unique<FakeSynthesizer>();
            synth = synthesizer.get();
            return synthesizer;
        };
        outlets.makeSpeechRecognizer = [this] {
            auto recognizer = std::make_unique<FakeRecognizer>();
            heard = recognizer.get();
            return recognizer;
        };
        outlets.updateSystemActivity = [this] {
            ++pulses;
            return pulseResult;
        };
        outlets.screenSize = [this] { return screen; };
        outlets.startListeningToRemote = [this] { ++remoteStarts; };
        outlets.stopListeningToRemote = [this] { ++remoteStops; };
        controller = std::make_unique<RVFullScreenController>(std::move(outlets));
        NotificationCenter& center = NotificationCenter::defaultCenter();
        exitObserver = ScopedObserver(center,
            center.addObserver(RVWillExitFullScreenMode, controller.get(), [this](const Notification&) {
                ++exitNotices;
                controller->exitFullScreen(RVFullScreenController::Sender::RecipeController);
            }));
    }

    void TearDown() override
    {
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static CookingRecipe recipe(int directions, int ingredients = 3)
    {
        CookingRecipe r;
        r.name = QStringLiteral("Pancakes");
        for (int i = 0; i < ingredients; ++i)
            r.ingredients.append(QStringLiteral("%1 cup flour").arg(i + 1));
        for (int i = 0; i < directions; ++i) {
            r.directions.append(QStringLiteral("Step %1 at 350\u00B0F.").arg(i + 1));
            r.shownDirections.append(r.directions.last());
        }
        return r;
    }

    void enter(const CookingRecipe& r, bool windowed = true)
    {
        ASSERT_TRUE(controller->enterFullScreenForRecipe(r, windowed));
        clock.advance(0);
    }

    RVFullScreenContentView* content() const { return controller->contentView(); }
    RVFullScreenOverlayView* overlay() const { return content()->overlayView(); }
    int index() const { return content()->currentDirectionIndex(); }

    // A step's scroll (0.5 s) with room for the frames' rounding.
    static constexpr double stepTime = 0.52;

    ScratchUserDefaults defaults;
    VirtualClock clock;
    std::unique_ptr<RVFullScreenController> controller;
    FakeSynthesizer* synth = nullptr;
    FakeRecognizer* heard = nullptr;
    QSize screen { 1280, 1024 };
    int pulses = 0;
    int pulseResult = 0;
    int remoteStarts = 0;
    int remoteStops = 0;
    int exitNotices = 0;
    ScopedObserver exitObserver;
};
