#include "RVFullScreenController.h"

#include "Log.h"
#include "QtSpeechSynthesizer.h"
#include "RVFullScreenContentView.h"
#include "RVFullScreenDirectionView.h"
#include "RVFullScreenIngredientView.h"
#include "RVFullScreenOverlayView.h"
#include "RVFullScreenSplitView.h"
#include "RVFullScreenWindow.h"
#include "RecipeMO.h"
#include "SphinxSpeechRecognizer.h"
#include "SystemActivity.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>
#include <utility>

namespace
{

const QString KRDebugMode = QStringLiteral("KRDebugMode");

// Shared by every controller, as the pulse is the program's.
int g_systemActivityFailures = 0;

bool debugMode()
{
    return UserDefaults::standardUserDefaults().boolForKey(KRDebugMode);
}

} // namespace

RVFullScreenController::RVFullScreenController(Outlets outlets)
    : m_outlets(std::move(outlets))
{
    if (!m_outlets.makeSpeechSynthesizer)
        m_outlets.makeSpeechSynthesizer = [] { return std::make_unique<QtSpeechSynthesizer>(); };
    if (!m_outlets.makeSpeechRecognizer)
        m_outlets.makeSpeechRecognizer = [] { return std::make_unique<SphinxSpeechRecognizer>(); };
    if (!m_outlets.updateSystemActivity)
        m_outlets.updateSystemActivity = [] { return SystemActivity::updateSystemActivity(); };
    if (!m_outlets.screenSize) {
        m_outlets.screenSize = [] {
            const QScreen* screen = QGuiApplication::primaryScreen();
            return screen ? screen->size() : QSize(1024, 768);
        };
    }
}

RVFullScreenController::~RVFullScreenController()
{
    if (m_inFullScreenMode)
        exitFullScreen(Sender::RecipeController);
    cancelPerforms();
    invalidateTimers();
    delete m_window.data();
}

int RVFullScreenController::defaultFontSizeForScreenHeight(double height)
{
    if (height > 950)
        return 48;
    if (height >= 800)
        return 40;
    if (height >= 768)
        return 32;
    return 24;
}

double RVFullScreenController::gradientHeightForScreenHeight(double height)
{
    return defaultFontSizeForScreenHeight(height);
}

int RVFullScreenController::systemActivityFailures()
{
    return g_systemActivityFailures;
}

void RVFullScreenController::setCurrentRecipe(const CookingRecipe& recipe)
{
    m_recipe = recipe;
    if (RVFullScreenContentView* view = contentView())
        view->setDisplayedRecipe(m_recipe);
}

RVFullScreenContentView* RVFullScreenController::contentView() const
{
    return m_window ? qobject_cast<RVFullScreenContentView*>(m_window->contentView()) : nullptr;
}

bool RVFullScreenController::isSpeaking() const
{
    return m_synthesizer && m_synthesizer->isSpeaking();
}

int RVFullScreenController::currentDirectionIndex() const
{
    const RVFullScreenContentView* view = contentView();
    return view ? view->currentDirectionIndex() : 0;
}

int RVFullScreenController::directionCount() const
{
    const RVFullScreenContentView* view = contentView();
    return view && view->directionView() ? view->directionView()->directionCount() : 0;
}

bool RVFullScreenController::enterFullScreenForRecipe(RecipeMO* recipe, bool windowed)
{
    if (!recipe)
        return false;
    return enterFullScreenForRecipe(CookingRecipe::fromRecipe(recipe), windowed);
}

bool RVFullScreenController::enterFullScreenForRecipe(const CookingRecipe& recipe, bool windowed)
{
    // A second entry replaces the first without announcing an exit.
    if (m_inFullScreenMode)
        exitFullScreen(Sender::RecipeController);
    setCurrentRecipe(recipe);
    m_synthesizer = m_outlets.makeSpeechSynthesizer();
    if (m_synthesizer)
        m_synthesizer->setFinishedHandler(
            [this](bool finished) { speechSynthesizerDidFinishSpeaking(finished); });

    buildWindow(windowed || debugMode());

    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_observers.emplace_back(center,
        center.addObserver(RVFullScreenDirectionViewDidChangeDirectionText, nullptr,
            [this](const Notification& n) { changedDirectionText(n); }));
    m_observers.emplace_back(center,
        center.addObserver(RVFullScreenDirectionViewDidFinishPlayingRecipe, nullptr,
            [this](const Notification& n) { finishedPlayingRecipe(n); }));
    if (m_outlets.startListeningToRemote)
        m_outlets.startListeningToRemote();

    scheduleSleepTimer();
    scheduleActivityTimer();
    m_observers.emplace_back(
        center, center.addObserver(RVFullScreenDidHaveUserAvtivity, nullptr, [this](const Notification& n) {
            if (insideContentView(n.object))
                didHaveUserActivity();
        }));

    m_isExiting = false;
    m_isPlaying = false;
    m_isPaused = false;
    m_inListeningMode = false;
    m_inSpeakingMode = false;
    m_inFullScreenMode = true;
    updateOverlay();
    return true;
}

void RVFullScreenController::buildWindow(bool windowed)
{
    auto* window = new RVFullScreenWindow(windowed);
    QSize size(1024, 768);
    double heightForFonts = 768;
    if (!windowed) {
        size = m_outlets.screenSize();
        heightForFonts = size.height();
    }
    RVFullScreenContentView::setDefaltFontSize(defaultFontSizeForScreenHeight(heightForFonts));

    auto* content = new RVFullScreenContentView;
    content->resize(size);
    content->setDisplayedRecipe(m_recipe);
    window->setContentView(content);
    window->resize(size);

    RVFullScreenOverlayView* overlay = content->overlayView();
    overlay->setPlayAction([this] { togglePlaying(Sender::View); });
    overlay->setUpAction([this] { previousStep(Sender::View); });
    overlay->setDownAction([this] { nextStep(Sender::View); });
    overlay->setSpeakAction([this] { speak(Sender::View); });
    overlay->setListenAction([this] { listen(Sender::View); });
    overlay->setExitFullScreenAction([this] { exitFullScreen(Sender::View); });
    overlay->setVoiceCommands(speechCommands());

    auto* split = new RVFullScreenSplitView(content);
    split->setCanCollapse([](const QWidget* subview) { return splitViewCanCollapseSubview(subview); });
    split->setMinimumFirstCoordinate(splitViewConstrainMinCoordinate(split, 0.0));
    content->setSplitView(split);
    split->lower();

    auto* ingredients = new RVFullScreenIngredientView;
    split->addWidget(ingredients);
    content->setIngredientsView(ingredients);

    auto* directions = new RVFullScreenDirectionView;
    directions->setGradientHeight(gradientHeightForScreenHeight(heightForFonts));
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("background: transparent;"));
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(directions);
    split->addWidget(scroll);
    content->setDirectionsView(directions);
    content->updateRects();
    directions->scrollToTop();

    window->setWindowWillClose([this] { windowWillClose(); });
    m_window = window;
    if (windowed) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window->move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
        window->show();
    } else {
        window->showFullScreen();
    }
    window->raise();
    window->activateWindow();
    content->setFocus();
}

void RVFullScreenController::exitFullScreen(Sender sender)
{
    if (sender == Sender::RecipeController || sender == Sender::None)
        m_isExiting = true;
    // Cleared first: closing the window below may bring the recipe page back here at once.
    const bool wasOn = std::exchange(m_inFullScreenMode, false);
    pause(Sender::Controller);
    if (m_recognizer) {
        m_recognizer->stopListening();
        m_recognizer.reset();
    }
    m_inListeningMode = false;
    if (m_synthesizer)
        m_synthesizer->stopSpeakingAtBoundary(SpeechSynthesizer::Boundary::Word);
    if (m_outlets.stopListeningToRemote && wasOn)
        m_outlets.stopListeningToRemote();
    if (m_window)
        m_window->close();
    m_observers.clear();
    invalidateTimers();
}

void RVFullScreenController::windowWillClose()
{
    RVFullScreenWindow* window = m_window;
    if (!window)
        return;
    if (RVFullScreenContentView* view = contentView())
        view->stopOverlayView();
    m_window = nullptr;
    // Closed from inside its own event handling: it goes once that is over.
    window->deleteLater();
    if (!m_isExiting)
        NotificationCenter::defaultCenter().postNotificationName(RVWillExitFullScreenMode, this);
    cancelPerforms();
}

void RVFullScreenController::togglePlaying(Sender sender)
{
    if (m_isPlaying)
        pause(sender);
    else
        play(sender);
}

void RVFullScreenController::play(Sender sender)
{
    if (m_inSpeakingMode) {
        if (m_isPaused && m_synthesizer && m_synthesizer->isSpeaking()) {
            m_synthesizer->continueSpeaking();
        } else {
            const int index = currentDirectionIndex();
            perform(0.5, [this, index] { speakDirection(index); });
        }
        m_nextAction = NextAction::NextStep;
    } else {
        perform(StepInterval, [this, sender] { nextStep(sender); });
        m_nextAction = NextAction::None;
    }
    m_isPaused = false;
    m_isPlaying = true;
    updateOverlay();
}

void RVFullScreenController::pause(Sender)
{
    m_isPlaying = false;
    m_isPaused = true;
    cancelPerforms();
    m_nextAction = NextAction::None;
    if (m_synthesizer)
        m_synthesizer->pauseSpeakingAtBoundary(SpeechSynthesizer::Boundary::Word);
    updateOverlay();
}

void RVFullScreenController::nextStep(Sender sender)
{
    RVFullScreenContentView* view = contentView();
    if (!view)
        return;
    if (sender == Sender::Controller)
        view->nextStep();
    else
        view->nextPartialStep();
}

void RVFullScreenController::previousStep(Sender)
{
    if (RVFullScreenContentView* view = contentView())
        view->previousStep();
}

void RVFullScreenController::changedDirectionText(const Notification& notification)
{
    if (!insideContentView(notification.object))
        return;
    if (debugMode())
        Log::log(QStringLiteral("changedDirectionText"));
    if (m_inSpeakingMode) {
        m_nextAction = m_isPlaying ? NextAction::NextStep : NextAction::None;
        speakDirection(notification.userInfo.value(RVFullScreenDirectionViewCurrentDirectionKey).toInt());
    } else if (m_isPlaying) {
        m_nextAction = NextAction::None;
        const bool last = currentDirectionIndex() + 1 >= directionCount();
        perform(last ? 0.0 : StepInterval, [this] { nextStep(Sender::Controller); });
    }
    if (RVFullScreenContentView* view = contentView()) {
        if (view->overlayView() && !view->overlayView()->isHidden())
            view->overlayView()->update();
        if (view->directionView())
            view->directionView()->update();
    }
}

void RVFullScreenController::speechSynthesizerDidFinishSpeaking(bool finishedSpeaking)
{
    if (debugMode())
        Log::logf(QStringLiteral("--speech callback: %1, performing selector: %2"),
            finishedSpeaking ? QStringLiteral("YES") : QStringLiteral("NO"),
            m_nextAction == NextAction::NextStep ? QStringLiteral("nextStep:") : QStringLiteral("(null)"));
    if (m_nextAction == NextAction::None || isSpeaking())
        return;
    cancelPerforms();
    perform(2.0, [this] { performNextAction(); });
    m_nextAction = NextAction::None;
}

void RVFullScreenController::performNextAction()
{
    nextStep(Sender::Controller);
}

void RVFullScreenController::finishedPlayingRecipe(const Notification& notification)
{
    if (!insideContentView(notification.object))
        return;
    if (debugMode())
        Log::log(QStringLiteral("finished playing"));
    if (m_isPlaying)
        NotificationCenter::defaultCenter().postNotificationName(RVFullScreenContentViewPlayPauseEvent);
    if (RVFullScreenContentView* view = contentView())
        view->update();
}

void RVFullScreenController::sendRemoteButtonEvent(int identifier, bool pressedDown)
{
    if (!pressedDown)
        return;
    switch (identifier) {
    case RemotePlay:
        togglePlaying(Sender::Controller);
        break;
    case RemotePlus:
    case RemoteLeft:
        previousStep(Sender::Controller);
        break;
    case RemoteMinus:
    case RemoteRight:
        nextStep(Sender::Controller);
        break;
    case RemoteMenu:
        exitFullScreen(Sender::Controller);
        break;
    default:
        break;
    }
}

void RVFullScreenController::activityUpdate()
{
    if (m_outlets.updateSystemActivity() == 0) {
        g_systemActivityFailures = 0;
        return;
    }
    ++g_systemActivityFailures;
    Log::log(QStringLiteral("Unable to update System Activity"));
    if (g_systemActivityFailures >= MaximumActivityFailures && m_activityTimer) {
        RunLoop::cancel(m_activityTimer);
        m_activityTimer = 0;
    }
}

void RVFullScreenController::sleepTimerExpired()
{
    m_sleepTimer = 0;
    if (m_activityTimer)
        RunLoop::cancel(m_activityTimer);
    m_activityTimer = 0;
}

void RVFullScreenController::didHaveUserActivity()
{
    if (!m_inFullScreenMode)
        return;
    scheduleSleepTimer();
    if (!m_activityTimer)
        scheduleActivityTimer();
}

void RVFullScreenController::scheduleSleepTimer()
{
    if (m_sleepTimer)
        RunLoop::cancel(m_sleepTimer);
    m_sleepTimer = RunLoop::postAfterDelay(SleepInterval, [this] { sleepTimerExpired(); });
}

void RVFullScreenController::scheduleActivityTimer()
{
    if (m_activityTimer)
        RunLoop::cancel(m_activityTimer);
    // A new pulse gets its full ten tries: earlier failures do not count against it.
    g_systemActivityFailures = 0;
    m_activityTimer = RunLoop::scheduleRepeatingTimer(ActivityInterval, [this] { activityUpdate(); });
}

void RVFullScreenController::invalidateTimers()
{
    if (m_sleepTimer)
        RunLoop::cancel(m_sleepTimer);
    if (m_activityTimer)
        RunLoop::cancel(m_activityTimer);
    m_sleepTimer = 0;
    m_activityTimer = 0;
}

void RVFullScreenController::perform(double seconds, std::function<void()> task)
{
    auto token = std::make_shared<RunLoop::Token>(0);
    *token = RunLoop::postAfterDelay(seconds, [this, token, task = std::move(task)] {
        m_performs.erase(*token);
        task();
    });
    m_performs.insert(*token);
}

void RVFullScreenController::cancelPerforms()
{
    for (RunLoop::Token token : m_performs)
        RunLoop::cancel(token);
    m_performs.clear();
}

void RVFullScreenController::updateOverlay()
{
    RVFullScreenContentView* view = contentView();
    if (view && view->overlayView())
        view->overlayView()->setButtonStates(m_inSpeakingMode, m_inListeningMode, m_isPlaying);
}

bool RVFullScreenController::insideContentView(const void* object) const
{
    const RVFullScreenContentView* view = contentView();
    if (!view || !object)
        return false;
    // Compared by address only: a poster need not be a widget at all.
    if (object == static_cast<const void*>(static_cast<const QObject*>(view)))
        return true;
    const QList<QObject*> children = view->findChildren<QObject*>();
    return std::any_of(children.cbegin(), children.cend(),
        [object](const QObject* child) { return static_cast<const void*>(child) == object; });
}

bool RVFullScreenController::splitViewCanCollapseSubview(const QWidget* subview)
{
    return qobject_cast<const RVFullScreenIngredientView*>(subview) != nullptr;
}

double RVFullScreenController::splitViewConstrainMinCoordinate(
    const QWidget* splitView, double proposed) const
{
    return insideContentView(splitView) ? 68.0 : proposed;
}
