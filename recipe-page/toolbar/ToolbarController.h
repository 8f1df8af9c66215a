#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QToolButton>
#include <functional>

class ManagedObject;
class QWidget;
class RecipeControllerService;

// The strip of buttons above the recipe page: cook, presentation, edit, add, mail, print and blog.
// It gives them their look and carries out cook, add to library, blog and the presentation button
// for the shown recipe; edit, mail and print are set up by whoever owns those actions (outlets).
// Main thread only.
class ToolbarController : public QObject
{
    Q_OBJECT

public:
    // One selected search result as the toolbar sees it.
    struct SearchResultAccess {
        std::function<bool()> isLocalResult;
        std::function<void(bool local)> setIsLocalResult;
        std::function<ManagedObject*()> recipe;
    };

    struct Outlets {
        // Not owned; must outlive the controller.
        RecipeControllerService* recipeController = nullptr;
        // The search results selected now, in order; and setting their selection again, so the
        // page and the toolbar read them anew.
        std::function<QList<SearchResultAccess>()> selectedSearchResults;
        std::function<void()> reselectSearchResults;
        std::function<ManagedObject*()> libraryCollection;
        // The blog controller's action; empty: the button does nothing.
        std::function<void()> blog;
        std::function<void()> emailRecipe;
        std::function<void()> print;
    };

    explicit ToolbarController(Outlets outlets, QObject* parent = nullptr);
    ~ToolbarController() override;

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }

    // The strip, made on first request with its buttons set up: the add button hidden, the edit
    // button shown. Owned by whoever takes it as a child.
    QWidget* toolbarView();
    QToolButton* cookButton() const { return m_cookButton; }
    QToolButton* iChatButton() const { return m_iChatButton; }
    QToolButton* editButton() const { return m_editButton; }
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* mailButton() const { return m_mailButton; }
    QToolButton* printButton() const { return m_printButton; }
    QToolButton* blogButton() const { return m_blogButton; }

    // Starts (or ends) cooking the shown recipe; a cooking that actually started counts once and
    // stamps "dateCooked".
    void cookButtonPressed();
    // Adds the selected web results' recipes to the library, each once; local results add nothing.
    void addToLibrary();
    void blogRecipe();
    // The presentation button does nothing.
    void iChat() { }

private:
    QToolButton* makeButton(const QString& name, const QString& text, const QString& toolTip);

    Outlets m_outlets;
    QPointer<QWidget> m_toolbarView;
    QPointer<QToolButton> m_cookButton;
    QPointer<QToolButton> m_iChatButton;
    QPointer<QToolButton> m_editButton;
    QPointer<QToolButton> m_addButton;
    QPointer<QToolButton> m_mailButton;
    QPointer<QToolButton> m_printButton;
    QPointer<QToolButton> m_blogButton;
};
