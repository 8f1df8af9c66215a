#pragma once

class QWidget;

// What the library window asks of the search pane's controller. Main thread only.
class SearchControllerService
{
public:
    virtual ~SearchControllerService() = default;

    // The middle pane's search area for the window to host (the window takes it as a child): the
    // search fields above `lists` (the recipe list and what the window shows in its place), with the
    // search results standing in for `lists` while a search is shown. Takes `lists` as a child.
    virtual QWidget* searchPane(QWidget* lists) = 0;
    // The source list's selection changed: shows or hides the search results.
    virtual void outlineViewAction() = 0;
    // Closes every search row's extra options without animation (quit).
    virtual void collapseAllSearchFields() = 0;
};
