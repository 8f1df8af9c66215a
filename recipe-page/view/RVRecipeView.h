#pragma once

#include "NotificationCenter.h"

#include <QPointer>
#include <QWidget>

class MagnetClipView;
class RecipeController;
class RulerMarkerSetup;
class RVRulerView;
class RVTextView;

// The recipe page as the main window hosts it: the text view of the shown recipe's card. It can
// also keep its height equal to one tracked subview's.
class RVRecipeView : public QWidget
{
    Q_OBJECT

public:
    explicit RVRecipeView(RecipeController& controller, QWidget* parent = nullptr);

    RVTextView* textView() const { return m_textView; }
    // The strip of buttons above the page (taken as a child); a second call replaces the first.
    void setToolbar(QWidget* toolbar);
    // The item ruler beside the card, shown while editing, and what places its markers.
    RVRulerView* rulerView() const { return m_ruler; }
    RulerMarkerSetup* markerSetup() const { return m_markerSetup; }
    // The holder of the recipe's picture, in the card's notch at the top right.
    MagnetClipView* pictureHolder() const { return m_pictureHolder; }
    // Only a descendant is tracked.
    void setTracksHeightOfSubview(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trackedViewFrameChanged();

    RVTextView* m_textView = nullptr;
    QPointer<QWidget> m_toolbar;
    RVRulerView* m_ruler = nullptr;
    RulerMarkerSetup* m_markerSetup = nullptr;
    ScopedObserver m_printObserver;
    MagnetClipView* m_pictureHolder = nullptr;
    QPointer<QWidget> m_tracked;
};
