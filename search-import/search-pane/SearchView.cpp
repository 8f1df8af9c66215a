#include "SearchView.h"

#include "PaneAnimation.h"
#include "SVSearchField.h"
#include "SVSearchFieldView.h"
#include "SearchController.h"
#include "SearchResultTableView.h"
#include "SearchSplitView.h"

#include <QGraphicsOpacityEffect>
#include <algorithm>
#include <cmath>

SearchView::SearchView(SearchController* controller, QWidget* parent)
    : QWidget(parent)
    , m_searchController(controller)
{
    setObjectName(QStringLiteral("searchView"));
}

SearchView::~SearchView() = default;

void SearchView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutRows();
    frameChanged();
}

double SearchView::rowsHeight() const
{
    double total = 0.0;
    for (const SVSearchFieldView* row : m_rows)
        total += row->rowHeight();
    return total;
}

void SearchView::layoutRows()
{
    double y = 0.0;
    for (SVSearchFieldView* row : std::as_const(m_rows)) {
        row->setGeometry(0, int(std::round(y)), width(), int(std::ceil(row->rowHeight())));
        y += row->rowHeight();
    }
}

bool SearchView::isRowVisible(const SVSearchFieldView* row) const
{
    return row && row->parentWidget() == this && row->geometry().intersects(rect());
}

void SearchView::frameChanged()
{
    if (m_filling || !m_searchController)
        return;
    m_filling = true;
    const double H = height();
    double T = rowsHeight();
    bool changed = false;
    if (m_rows.isEmpty()) {
        if (SVSearchFieldView* row = m_searchController->instantiateNewSearchFieldView()) {
            addNewSearchFieldView(row, QRectF(0, 0, width(), row->rowHeight()));
            T = row->rowHeight();
            changed = true;
        }
    }
    while (!m_rows.isEmpty() && H >= T) {
        SVSearchFieldView* row = m_searchController->instantiateNewSearchFieldView();
        if (!row)
            break;
        addNewSearchFieldView(row, QRectF(0, T, width(), row->rowHeight()));
        T += row->rowHeight();
        changed = true;
    }
    if (!m_isAnimating) {
        while (m_rows.size() > 1 && T - m_rows.last()->rowHeight() > H) {
            T -= m_rows.last()->rowHeight();
            takeAwaySearchFieldView(m_rows.last());
            changed = true;
        }
    }
    m_filling = false;
    if (!changed)
        updateRowButtons();
}

void SearchView::addNewSearchFieldView(SVSearchFieldView* row, const QRectF& rect)
{
    row->setParent(this);
    row->setRowHeight(rect.height());
    row->setGeometry(rect.toRect());
    row->show();
    m_rows.append(row);
    rebuildKeyViewLoop();
    updateRowButtons();
    emit searchFieldsChanged();
}

void SearchView::takeAwaySearchFieldView(SVSearchFieldView* row)
{
    if (!m_rows.removeOne(row))
        return;
    row->hide();
    row->deleteLater();
    row->setParent(nullptr);
    layoutRows();
    rebuildKeyViewLoop();
    updateRowButtons();
    emit searchFieldsChanged();
}

void SearchView::removeSearchFieldView(SVSearchFieldView* row, bool animate)
{
    if (!row || !m_rows.contains(row) || (m_removeSearchFieldAnimation && m_removedSearchFieldView == row))
        return;
    const double h = std::max(SearchFieldViewHeight, row->rowHeight());
    SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr;
    if (row == m_rows.last() || !animate || !split) {
        takeAwaySearchFieldView(row);
        frameChanged();
        return;
    }
    // The rows below move up as the row shrinks away and fades; the stack's pane shrinks with it.
    const double startHeight = row->rowHeight();
    const double startPane = split->topHeight();
    auto* fade = new QGraphicsOpacityEffect(row);
    row->setGraphicsEffect(fade);
    QPointer<SVSearchFieldView> target = row;
    QPointer<SearchSplitView> pane = split;
    auto* animation = new PaneAnimation(
        kRowAnimationDuration,
        [this, target, pane, fade, startHeight, startPane, h](double t) {
            if (target) {
                target->setRowHeight(startHeight * (1.0 - t));
                fade->setOpacity(1.0 - t);
            }
            if (pane)
                pane->setTopHeight(startPane - h * t);
            layoutRows();
        },
        this);
    m_removeSearchFieldAnimation = animation;
    m_removedSearchFieldView = row;
    connect(animation, &PaneAnimation::animationShouldStart, this, [this] { animationShouldStart(); });
    connect(animation, &PaneAnimation::animationDidEnd, this, &SearchView::animationDidEnd);
    connect(animation, &PaneAnimation::animationDidStop, this, &SearchView::animationDidEnd);
    animation->start();
}

void SearchView::revealNextSearchField()
{
    SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr;
    if (!split)
        return;
    const double start = split->topHeight();
    QPointer<SearchSplitView> pane = split;
    auto* animation = new PaneAnimation(
        kRowAnimationDuration,
        [pane, start](double t) {
            if (pane)
                pane->setTopHeight(start + SearchFieldViewHeight * t);
        },
        this);
    connect(animation, &PaneAnimation::animationShouldStart, this, [this] { animationShouldStart(); });
    connect(animation, &PaneAnimation::animationDidEnd, this, &SearchView::animationDidEnd);
    connect(animation, &PaneAnimation::animationDidStop, this, &SearchView::animationDidEnd);
    animation->start();
}

void SearchView::animateRow(
    SVSearchFieldView* row, double height, double paneChange, double duration, std::function<void()> done)
{
    SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr;
    const double startHeight = row->rowHeight();
    const double startPane = split ? split->topHeight() : 0.0;
    QPointer<SVSearchFieldView> target = row;
    QPointer<SearchSplitView> pane = split;
    auto* animation = new PaneAnimation(
        duration,
        [this, target, pane, startHeight, startPane, height, paneChange](double t) {
            if (target)
                target->setRowHeight(startHeight + (height - startHeight) * t);
            if (pane)
                pane->setTopHeight(startPane + paneChange * t);
            layoutRows();
        },
        this);
    connect(animation, &PaneAnimation::animationShouldStart, this, [this] { animationShouldStart(); });
    connect(
        animation, &PaneAnimation::animationDidEnd, this, [this, done = std::move(done)](PaneAnimation* a) {
            if (done)
                done();
            animationDidEnd(a);
        });
    connect(animation, &PaneAnimation::animationDidStop, this, &SearchView::animationDidEnd);
    animation->start();
}

void SearchView::animationShouldStart()
{
    m_isAnimating = true;
}

void SearchView::animationDidEnd(PaneAnimation* animation)
{
    m_isAnimating = false;
    if (animation == m_removeSearchFieldAnimation) {
        SVSearchFieldView* removed = m_removedSearchFieldView;
        m_removeSearchFieldAnimation = nullptr;
        m_removedSearchFieldView = nullptr;
        if (removed)
            takeAwaySearchFieldView(removed);
    }
    animation->deleteLater();
    if (SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr)
        split->adjustSubviews();
    layoutRows();
    frameChanged();
}

void SearchView::collapseAllSearchFields()
{
    for (SVSearchFieldView* row : std::as_const(m_rows))
        row->closeSubstitutionCheckboxWithoutAnimation();
    layoutRows();
    if (SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr)
        split->setPosition(split->topHeight());
    frameChanged();
}

void SearchView::clearAllSearchFields()
{
    for (SVSearchFieldView* row : std::as_const(m_rows))
        row->clearSearchField();
    collapseAllSearchFields();
}

bool SearchView::canAddSearchField() const
{
    const SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr;
    if (!split)
        return false;
    return split->maximumTopHeight() > height() + SearchFieldViewHeight;
}

void SearchView::updateRowButtons()
{
    const bool canAdd = canAddSearchField();
    const bool canRemove = canRemoveSearchField();
    for (SVSearchFieldView* row : std::as_const(m_rows))
        row->setButtonsEnabled(canAdd, canRemove);
}

void SearchView::rebuildKeyViewLoop()
{
    if (m_rows.isEmpty() || !m_searchController)
        return;
    const auto& outlets = m_searchController->outlets();
    QWidget* table = outlets.searchResultsTableHidden && !outlets.searchResultsTableHidden()
        ? static_cast<QWidget*>(m_searchController->searchResultsTableView())
        : (outlets.recipeTableView ? outlets.recipeTableView() : nullptr);
    QWidget* outline = outlets.collectionsOutlineView ? outlets.collectionsOutlineView() : nullptr;
    const qsizetype visible = std::max<qsizetype>(1, m_rows.size() - 1);
    for (qsizetype i = 0; i + 1 < visible; ++i)
        QWidget::setTabOrder(m_rows.at(i)->searchField(), m_rows.at(i + 1)->searchField());
    // The spare row's field takes no part in the loop.
    m_rows.last()->searchField()->setFocusPolicy(m_rows.size() > 1 ? Qt::NoFocus : Qt::StrongFocus);
    for (qsizetype i = 0; i + 1 < m_rows.size(); ++i)
        m_rows.at(i)->searchField()->setFocusPolicy(Qt::StrongFocus);
    if (table && table->window() == window())
        QWidget::setTabOrder(m_rows.at(visible - 1)->searchField(), table);
    if (outline && outline->window() == window()) {
        if (m_rows.size() >= 2)
            QWidget::setTabOrder(outline, m_rows.first()->searchField());
        else if (table && table->window() == window())
            QWidget::setTabOrder(outline, table);
    }
}
