#pragma once

#include "CookingRecipe.h"
#include "NotificationCenter.h"
#include "RVFullScreenWindow.h"
#include "RunLoop.h"

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class RecipeMO;
class RVFullScreenContentView;
class SpeechRecognizer;
class SpeechSynthesizer;
class QWidget;

// Posted (object: the controller) when the cooking window closes and the exit was not started
// from outside, so the recipe page can end the mode on its side.
inline const QString RVWillExitFullScreenMode = QStringLiteral("RVWillExitFullScreenMode");

// The cooking mode: one recipe on a black screen, its ingredients in a box and its directions one
// step at a time. Owns the window and its views, the play/pause, speaking and listening states,
// the speech synthesizer and recognizer, and keeps the screen awake while the cook is active.
// Remote-control buttons arrive through sendRemoteButtonEvent. Main thread only.
class RVFullScreenController
{
public:
    // Who asks: the size of a step and whether leaving announces itself depend on it.
    enum class Sender {
        None, // nobody in particular (a voice command "Next Direction")
        Controller, // the controller itself: remote, voice "Play", automatic advance
        View, // a view of the cooking window (the overlay's buttons, the keys)
        RecipeController, // the recipe page ending the mode itself
    };

    struct Outlets {
        // Default: the desktop's speech (QtSpeechSynthesizer, SphinxSpeechRecognizer).
        std::function<std::unique_ptr<SpeechSynthesizer>()> makeSpeechSynthesizer;
        std::function<std::unique_ptr<SpeechRecognizer>()> makeSpeechRecognizer;
        // Tells the desktop the user is active; 0 on success. Default: SystemActivity.
        std::function<int()> updateSystemActivity;
        // The size of the screen to cover. Default: the primary screen's.
        std::function<QSize()> screenSize;
        // The remote controls: listened to while the mode is on.
        std::function<void()> startListeningToRemote;
        std::function<void()> stopListeningToRemote;
    };

    // Remote-control button identifiers.
    enum RemoteButton {
        RemotePlus = 2,
        RemoteMinus = 4,
        RemoteMenu = 8,
        RemotePlay = 16,
        RemoteRight = 32,
        RemoteLeft = 64,
        RemotePlayHold = 1024
    };

    // The activity pulse and the period after the last user activity in which it runs.
    static constexpr double ActivityInterval = 25.0;
    static constexpr double SleepInterval = 600.0;
    static constexpr int MaximumActivityFailures = 10;
    // Playing without speech: the time on each step.
    static constexpr double StepInterval = 8.0;

    explicit RVFullScreenController(Outlets outlets = {});
    ~RVFullScreenController();
    RVFullScreenController(const RVFullScreenController&) = delete;
    RVFullScreenController& operator=(const RVFullScreenController&) = delete;

    // False (nothing happens) without a recipe. KRDebugMode always opens a window.
    bool enterFullScreenForRecipe(RecipeMO* recipe, bool windowed = false);
    bool enterFullScreenForRecipe(const CookingRecipe& recipe, bool windowed = false);
    void exitFullScreen(Sender sender);

    void togglePlaying(Sender sender);
    void play(Sender sender);
    void pause(Sender sender = Sender::None);
    // From the controller a whole step; from anyone else a partial step where a step is tall.
    void nextStep(Sender sender);
    void previousStep(Sender sender);
    void speak(Sender sender);
    void listen(Sender sender);
    void speakIngredients();
    void speakDirection(qsizetype index);
    void setupSpeech();

    // The text rewritten for the synthesizer: degrees, "by" and fractions spelt out.
    static QString formattedStringForSpeaking(const QString& text);
    static QStringList speechCommands();
    // The default font size of the views for a screen height; the fades' height follows it.
    static int defaultFontSizeForScreenHeight(double height);
    static double gradientHeightForScreenHeight(double height);
    // Consecutive failures of the activity pulse (shared by every controller).
    static int systemActivityFailures();

    const CookingRecipe& currentRecipe() const { return m_recipe; }
    void setCurrentRecipe(const CookingRecipe& recipe);
    bool isPlaying() const { return m_isPlaying; }
    void setIsPlaying(bool playing) { m_isPlaying = playing; }
    bool isPaused() const { return m_isPaused; }
    void setIsPaused(bool paused) { m_isPaused = paused; }
    bool inSpeakingMode() const { return m_inSpeakingMode; }
    bool inListeningMode() const { return m_inListeningMode; }
    void setInListeningMode(bool listening);
    bool inFullScreenMode() const { return m_inFullScreenMode; }
    bool isSpeaking() const;
    RVFullScreenWindow* window() const { return m_window; }
    RVFullScreenContentView* contentView() const;
    SpeechSynthesizer* speechSynthesizer() const { return m_synthesizer.get(); }
    SpeechRecognizer* speechRecognizer() const { return m_recognizer.get(); }
    bool hasActivityTimer() const { return m_activityTimer != 0; }
    bool hasSleepTimer() const { return m_sleepTimer != 0; }

    // Delegate entries.
    void windowWillClose();
    void speechSynthesizerDidFinishSpeaking(bool finishedSpeaking);
    void speechRecognizerDidRecognizeCommand(const QString& command);
    // Only presses count.
    void sendRemoteButtonEvent(int identifier, bool pressedDown);
    void changedDirectionText(const Notification& notification);
    void finishedPlayingRecipe(const Notification& notification);
    void didHaveUserActivity();
    void activityUpdate();
    void sleepTimerExpired();
    static bool splitViewCanCollapseSubview(const QWidget* subview);
    double splitViewConstrainMinCoordinate(const QWidget* splitView, double proposed) const;

private:
    enum class NextAction { None, NextStep };

    void buildWindow(bool windowed);
    // Runs `task` after `seconds`, cancelled by cancelPerforms (all delayed work of the mode).
    void perform(double seconds, std::function<void()> task);
    void cancelPerforms();
    void performNextAction();
    void scheduleSleepTimer();
    void scheduleActivityTimer();
    void invalidateTimers();
    // The overlay's toggle buttons show the states, whoever changed them.
    void updateOverlay();
    bool insideContentView(const void* object) const;
    // The content view's current direction; 0 outside the mode.
    int currentDirectionIndex() const;
    int directionCount() const;
    void speakText(const QString& text);

    Outlets m_outlets;
    CookingRecipe m_recipe;
    std::unique_ptr<SpeechSynthesizer> m_synthesizer;
    std::unique_ptr<SpeechRecognizer> m_recognizer;
    QPointer<RVFullScreenWindow> m_window;
    std::vector<ScopedObserver> m_observers;
    std::set<RunLoop::Token> m_performs;
    RunLoop::Token m_sleepTimer = 0;
    RunLoop::Token m_activityTimer = 0;
    NextAction m_nextAction = NextAction::None;
    bool m_isPlaying = false;
    bool m_isPaused = false;
    bool m_isExiting = false;
    bool m_inSpeakingMode = false;
    bool m_inListeningMode = false;
    bool m_inFullScreenMode = false;
};
