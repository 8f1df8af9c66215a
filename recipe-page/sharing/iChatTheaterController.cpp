#include "iChatTheaterController.h"

#include "PresentationManager.h"
#include "RunLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

iChatTheaterController& iChatTheaterController::sharedIChatController()
{
    static iChatTheaterController* shared = new iChatTheaterController(QCoreApplication::instance());
    return *shared;
}

iChatTheaterController::iChatTheaterController(QObject* parent)
    : QObject(parent)
{
}

iChatTheaterController::~iChatTheaterController()
{
    observeWindow(nullptr);
}

void iChatTheaterController::setPresentationManager(PresentationManager* manager)
{
    if (m_manager)
        disconnect(m_manager, nullptr, this, nullptr);
    m_manager = manager;
    if (manager)
        connect(manager, &PresentationManager::stateChanged, this, [this] { stateChanged(); });
}

QWidget* iChatTheaterController::videoView() const
{
    return m_videoView ? m_videoView.data() : m_emptyView.get();
}

void iChatTheaterController::stateChanged()
{
    if (!m_manager)
        return;
    const PresentationManager::State state = m_manager->state();
    if (state == PresentationManager::Requested)
        startPresentation();
    else if ((state == PresentationManager::Inactive || state == PresentationManager::ShuttingDown)
        && m_isPresenting)
        endedPresentation();
}

void iChatTheaterController::startPresentation()
{
    ManagedObject* recipe = m_outlets.currentRecipe ? m_outlets.currentRecipe() : nullptr;
    if (!recipe) {
        RunLoop::postToMain([self = QPointer<iChatTheaterController>(this)] {
            if (self)
                self->endedPresentation();
        });
        if (m_outlets.runAlert)
            m_outlets.runAlert(tr("Unable To Start iChat Theater Session"),
                tr("Kitchora was unable to start the iChat Theater session as requested.  This might have "
                   "happened "
                   "because you had multiple recipes selected .  Please select one recipe and try again."));
        return;
    }
    if (!(m_outlets.cookingModeIsOn && m_outlets.cookingModeIsOn()) && m_outlets.enterCookingModeWindowed)
        m_outlets.enterCookingModeWindowed(recipe);

    QWidget* view = m_outlets.cookingModeView ? m_outlets.cookingModeView() : nullptr;
    observeWindow(view ? view->window() : nullptr);
    disconnect(m_viewDestroyed);
    m_videoView = view;
    m_emptyView.reset();
    // A view that goes away ends the presentation before the manager could show it.
    if (view)
        m_viewDestroyed = connect(view, &QObject::destroyed, this, [this] { endedPresentation(); });
    if (!view) {
        m_emptyView = std::make_unique<QWidget>();
        m_emptyView->resize(0, 0);
    }
    if (m_manager) {
        m_manager->setVideoDataSource(videoView());
        m_manager->setVideoOptimizationOptions(PresentationManager::kVideoOptimizationReplacement);
        m_manager->start();
    }
    setPresenting(true);
}

void iChatTheaterController::endedPresentation()
{
    // Stopping the manager may report the end back; it is handled once.
    if (m_ending)
        return;
    m_ending = true;
    disconnect(m_viewDestroyed);
    observeWindow(nullptr);
    if (m_manager) {
        m_manager->stop();
        m_manager->setVideoDataSource(nullptr);
    }
    m_videoView = nullptr;
    m_emptyView.reset();
    setPresenting(false);
    m_ending = false;
}

void iChatTheaterController::setPresenting(bool presenting)
{
    if (presenting == m_isPresenting)
        return;
    m_isPresenting = presenting;
    emit isPresentingChanged(presenting);
}

void iChatTheaterController::observeWindow(QWidget* window)
{
    if (m_observedWindow == window)
        return;
    if (m_observedWindow)
        m_observedWindow->removeEventFilter(this);
    m_observedWindow = window;
    if (window)
        window->installEventFilter(this);
}

bool iChatTheaterController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_observedWindow && event->type() == QEvent::Close && m_isPresenting)
        endedPresentation();
    return QObject::eventFilter(watched, event);
}
