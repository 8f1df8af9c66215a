#pragma once

#include "NotificationCenter.h"
#include "RunLoop.h"

#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class MGViewAnimation;
class QMenu;

// The cooking mode's fading row of buttons: listen, speak, up above down, play/pause and exit.
// It fades in on a mouse move and out 2 s after the last one unless the mouse rests on it. The
// keys of the content view act as clicks on its buttons.
class RVFullScreenOverlayView : public QWidget
{
    Q_OBJECT

public:
    enum class Cell { Speak, Listen, Up, Down, PlayPause, Exit, None };
    using Action = std::function<void()>;

    static constexpr double DeactivateDelay = 2.0;

    explicit RVFullScreenOverlayView(QWidget* contentView);
    ~RVFullScreenOverlayView() override;

    // A button's frame in an overlay of the given bounds (top-down coordinates).
    static QRectF frameForCell(Cell cell, const QRectF& bounds);
    QRectF frameForCell(Cell cell) const { return frameForCell(cell, rect()); }
    // The button under a point; None when there is none.
    Cell cellAtPoint(const QPointF& point) const;
    // The tool-tip title of a button in its present state; empty for the arrows.
    QString titleForCell(Cell cell) const;
    QString imageNameForCell(Cell cell) const;
    bool stateOfCell(Cell cell) const;

    void setSpeakAction(Action action) { m_actions[size_t(Cell::Speak)] = std::move(action); }
    void setListenAction(Action action) { m_actions[size_t(Cell::Listen)] = std::move(action); }
    void setUpAction(Action action) { m_actions[size_t(Cell::Up)] = std::move(action); }
    void setDownAction(Action action) { m_actions[size_t(Cell::Down)] = std::move(action); }
    void setPlayAction(Action action) { m_actions[size_t(Cell::PlayPause)] = std::move(action); }
    void setExitFullScreenAction(Action action) { m_actions[size_t(Cell::Exit)] = std::move(action); }
    void setVoiceCommands(const QStringList& commands);
    QMenu* voiceCommandsMenu() const { return m_voiceCommandsMenu.get(); }
    // The toggle buttons show the mode's states, however they were changed.
    void setButtonStates(bool speaking, bool listening, bool playing);
    // A click: a toggle button changes state, then its action runs.
    void performClick(Cell cell);

    void activate();
    // With `scheduled` false only the pending deactivation is cancelled.
    void deactivate(bool scheduled = true);
    void stopAnimation();
    bool isFadingIn() const;
    bool isFadingOut() const;
    // The pointer hidden at the end of a fade-out shows again.
    static void showCursor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void fadeFinished(MGViewAnimation* animation, bool fadeIn, bool stopped);
    void scheduleDeactivate();
    QRectF menuHotSpot() const;

    std::array<Action, 6> m_actions;
    std::array<bool, 6> m_states {};
    Cell m_pressedCell = Cell::None;
    Cell m_titledCell = Cell::None;
    std::unique_ptr<QMenu> m_voiceCommandsMenu;
    std::unique_ptr<MGViewAnimation> m_fadeInAnimation;
    std::unique_ptr<MGViewAnimation> m_fadeOutAnimation;
    std::vector<std::unique_ptr<MGViewAnimation>> m_retired;
    RunLoop::Token m_deactivateToken = 0;
    std::vector<ScopedObserver> m_observers;
};
