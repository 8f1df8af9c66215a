#pragma once

#include <QLineEdit>
#include <QStringList>
#include <memory>

class QMenu;
class SVButtonCell;

// The search field of one search-field row: a line edit with a clear button and a magnifier that
// opens the recent-searches menu. The row installs the menu template; the field builds the shown
// menu from it: the title, one item per recent search and "Clear Recent Searches", or "No Recent
// Searches" while there are none. A finished edit with text joins the recent searches.
class SVSearchField : public QLineEdit
{
    Q_OBJECT

public:
    // The template's tags, as the row gives them.
    enum MenuTag : int {
        RecentsTitleMenuItemTag = 1000,
        RecentsMenuItemTag = 1001,
        ClearRecentsMenuItemTag = 1002,
        NoRecentsMenuItemTag = 1003,
    };
    static constexpr int kMaximumRecents = 10;

    explicit SVSearchField(QWidget* parent = nullptr);
    ~SVSearchField() override;

    // Not owned.
    void setSearchMenuTemplate(QMenu* menuTemplate) { m_template = menuTemplate; }
    QMenu* searchMenuTemplate() const { return m_template; }

    QStringList recentSearches() const { return m_recents; }
    // Newest first; a search already there moves to the front.
    void addRecentSearch(const QString& search);
    void clearRecentSearches() { m_recents.clear(); }
    // The menu the magnifier shows now (owned by the caller): built from the template.
    std::unique_ptr<QMenu> makeSearchMenu();
    SVButtonCell& searchButtonCell() const { return *m_buttonCell; }

signals:
    // A recent search was chosen: the field shows it and the row searches.
    void recentSearchChosen(const QString& search);

private:
    void showSearchMenu();

    QMenu* m_template = nullptr;
    QStringList m_recents;
    SVButtonCell* m_buttonCell;
};
