#pragma once

#include "PaneAnimation.h"
#include "SVSearchFieldView.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class SearchController;

// The stack of search-field rows above the results: keeps itself filled with rows down past its
// bottom edge (the last one is a spare that never searches), adds a row by growing its pane of the
// split view and removes one by shrinking it, and keeps the keyboard loop through the fields. Rows
// are laid out one under the other from the top, each at its own height. Main thread only.
class SearchView : public QWidget
{
    Q_OBJECT

public:
    // A row's height without its check box.
    static constexpr double SearchFieldViewHeight = 33.0;
    static constexpr double kRowAnimationDuration = 0.15;

    // `controller` (not owned) makes the rows and owns the split view.
    explicit SearchView(SearchController* controller, QWidget* parent = nullptr);
    ~SearchView() override;

    // Fills the stack to its height; trims rows wholly below it unless an animation runs.
    void frameChanged();
    // Adds the row as a child at `rect` and appends it.
    void addNewSearchFieldView(SVSearchFieldView* row, const QRectF& rect);
    void removeSearchFieldView(SVSearchFieldView* row, bool animate);
    // Grows the stack's pane by one row.
    void revealNextSearchField();
    void collapseAllSearchFields();
    void clearAllSearchFields();

    // The rows less the spare.
    int visibleSearchFields() const { return m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1; }
    const QList<SVSearchFieldView*>& searchFields() const { return m_rows; }
    bool canAddSearchField() const;
    bool canRemoveSearchField() const { return visibleSearchFields() > 1; }

    bool isAnimating() const { return m_isAnimating; }
    void setIsAnimating(bool animating) { m_isAnimating = animating; }
    // The running removal, if any.
    PaneAnimation* removeSearchFieldAnimation() const { return m_removeSearchFieldAnimation; }

    // Whether any part of the row lies within the stack.
    bool isRowVisible(const SVSearchFieldView* row) const;
    // The sum of the rows' heights.
    double rowsHeight() const;
    // Places every row under the one before at its own height.
    void layoutRows();
    // Changes the row's height to `height` and the stack's pane by `paneChange` over `duration`
    // seconds (at once for 0); `done` runs at the end.
    void animateRow(SVSearchFieldView* row, double height, double paneChange, double duration,
        std::function<void()> done = {});

    // The keyboard loop, rebuilt after every addition and removal.
    void rebuildKeyViewLoop();

signals:
    // The count of rows, or what may be added or removed, changed.
    void searchFieldsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void takeAwaySearchFieldView(SVSearchFieldView* row);
    void animationShouldStart();
    void animationDidEnd(PaneAnimation* animation);
    void updateRowButtons();

    SearchController* m_searchController;
    QList<SVSearchFieldView*> m_rows;
    QPointer<PaneAnimation> m_removeSearchFieldAnimation;
    QPointer<SVSearchFieldView> m_removedSearchFieldView;
    bool m_isAnimating = false;
    bool m_filling = false;
};
