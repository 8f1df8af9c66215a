#pragma once

#include "SearchTerm.h"

#include <QFrame>
#include <QWidget>
#include <memory>

class QCheckBox;
class QMenu;
class QToolButton;
class SVSearchField;
class SearchController;
class SearchView;

// One search-field row of the search pane: the search field with its recent-searches menu, the
// buttons that add and remove rows, and a "Search Substitutions" check box that slides into view
// below the field while the text names a known ingredient. The row owns the term it stands for.
// Main thread only.
class SVSearchFieldView : public QWidget
{
    Q_OBJECT

public:
    // The row's height without its check box.
    static constexpr double kHeight = 33.0;
    // The check box's holder at the end of the reveal, the box's height, and their offsets.
    static constexpr double kHolderHeight = 38.0;
    static constexpr double kCheckBoxHeight = 18.0;
    static constexpr double kHolderLeftInset = 9.0;
    static constexpr double kCheckBoxLeftInset = 5.0;
    static constexpr double kRevealDuration = 0.33;
    static constexpr double kCloseDuration = 0.25;

    // `controller` (not owned) receives the row's searches and button actions.
    explicit SVSearchFieldView(SearchController* controller, QWidget* parent = nullptr);
    ~SVSearchFieldView() override;

    SVSearchField* searchField() const { return m_searchField; }
    QToolButton* removeButton() const { return m_removeButton; }
    QToolButton* addButton() const { return m_addButton; }
    QMenu* searchMenuTemplate() const { return m_menuTemplate; }

    // The row's term; a copy with an empty text while the row cannot be seen (the spare row).
    std::shared_ptr<SearchTerm> searchTerm() const;
    // The term the row holds, whether seen or not.
    const std::shared_ptr<SearchTerm>& ownSearchTerm() const { return m_searchTerm; }
    // Keeps the term and shows its text when it has one; no term is refused (logged).
    void setSearchTerm(const std::shared_ptr<SearchTerm>& term);
    // The field shows nothing and the term's text becomes none.
    void clearSearchField();
    // The action of the field and of the check box: takes the field's text, shows or hides the
    // check box by whether it names an ingredient, and hands the search to the controller.
    void search();

    void revealSubstitutionCheckbox();
    void closeSubstitutionCheckbox();
    void closeSubstitutionCheckboxWithoutAnimation();
    bool substitutionCheckBoxRevealed() const { return m_substitutionCheckBoxRevealed; }
    // Made on the first reveal.
    QWidget* substitutionSubview() const { return m_substitutionSubview; }
    QCheckBox* substitutionCheckBox() const { return m_substitutionCheckBox; }

    // How much a row of `rowHeight` grows to show its check box: 22 for a normal row.
    static double revealGrowth(double rowHeight);

    // The height the stack lays the row out at (animations change it); also its frame height.
    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height) { m_rowHeight = height; }
    // What the stack's pane grew by to show the check box, given back when it closes.
    double paneGain() const { return m_paneGain; }

    // The add and remove buttons follow what the stack allows.
    void setButtonsEnabled(bool canAdd, bool canRemove);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SearchView* searchView() const;
    void buildSubstitutionSubview();
    void layoutChildren();
    void buildSearchMenuTemplate();

    SearchController* m_searchController;
    SVSearchField* m_searchField;
    QToolButton* m_addButton;
    QToolButton* m_removeButton;
    QMenu* m_menuTemplate;
    std::shared_ptr<SearchTerm> m_searchTerm;
    int m_termObserver = 0;
    QFrame* m_substitutionSubview = nullptr;
    QCheckBox* m_substitutionCheckBox = nullptr;
    bool m_substitutionCheckBoxRevealed = false;
    double m_rowHeight = kHeight;
    double m_paneGain = 0.0;
    QString m_currentSearchString;
};
