#pragma once

#include <QPointer>
#include <QWidget>

class RecipeController;
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
    // Only a descendant is tracked.
    void setTracksHeightOfSubview(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trackedViewFrameChanged();

    RVTextView* m_textView = nullptr;
    QPointer<QWidget> m_toolbar;
    QPointer<QWidget> m_tracked;
};
