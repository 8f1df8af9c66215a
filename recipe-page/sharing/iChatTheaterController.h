#pragma once

#include "PresentationManager.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class ManagedObject;

class QWidget;

// Presents the recipe in cooking mode to a video call: when the call asks for a presentation, the
// cooking mode opens in a window for the current recipe and its view becomes the video source;
// closing that window, or the other side ending the call, ends the presentation. The cooking
// views ask isPresenting() to adapt their drawing. One per process; main thread only.
class iChatTheaterController : public QObject
{
    Q_OBJECT

public:
    struct Outlets {
        // The recipe page's current recipe (nullptr: none or several selected).
        std::function<ManagedObject*()> currentRecipe;
        std::function<bool()> cookingModeIsOn;
        // Enters cooking mode in a window for the recipe.
        std::function<void(ManagedObject* recipe)> enterCookingModeWindowed;
        // The cooking mode's view to present (its window's content); nullptr when there is none.
        std::function<QWidget*()> cookingModeView;
        // A modal alert: the message and the informative text, with an OK button.
        std::function<void(const QString& message, const QString& informative)> runAlert;
    };

    static iChatTheaterController& sharedIChatController();

    explicit iChatTheaterController(QObject* parent = nullptr);
    ~iChatTheaterController() override;

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }
    // Observes the manager's state (not owned; nullptr: none, the program's case).
    void setPresentationManager(PresentationManager* manager);
    PresentationManager* presentationManager() const { return m_manager; }

    // The manager's state changed: a request starts the presentation; an end from the other side
    // ends ours.
    void stateChanged();
    void startPresentation();
    void endedPresentation();
    bool isPresenting() const { return m_isPresenting; }
    QWidget* videoView() const;
    // The window whose closing ends the presentation (nullptr when none is observed).
    QWidget* observedWindow() const { return m_observedWindow; }

signals:
    void isPresentingChanged(bool presenting);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void observeWindow(QWidget* window);
    void setPresenting(bool presenting);

    Outlets m_outlets;
    QPointer<PresentationManager> m_manager;
    QPointer<QWidget> m_videoView;
    std::unique_ptr<QWidget> m_emptyView;
    QPointer<QWidget> m_observedWindow;
    QMetaObject::Connection m_viewDestroyed;
    bool m_isPresenting = false;
    bool m_ending = false;
};
