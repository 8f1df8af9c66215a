#pragma once

#include "ManagedObjectID.h"
#include "NotificationCenter.h"
#include "RVRecipeView.h"
#include "RVTextContainer.h"
#include "RecipeControllerService.h"
#include "RecipeEditingModel.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class ManagedObjectContext;
class QMenu;
class QMimeData;
class RecipeImageView;
class RecipeMO;
class UndoManager;
struct Error;

// The recipe page's controller: decides which recipe the page shows from the selections of the
// recipe list, the search results and the source list; switches the page between reading and
// editing, writing the edited card back into the recipe on the way out and saving; gives the page
// a private undo manager while editing. The page's text and its editing rules are the
// RecipeEditingModel it owns; the widget (RVRecipeView) is made on first request.
//
// The shown recipe is held by its object identifier, so a recipe deleted meanwhile is never used.
// Main thread only.
class RecipeController : public QObject, public RecipeControllerService
{
    Q_OBJECT

public:
    // What the controller reaches outside the page; an empty function answers false or nothing.
    struct Outlets {
        std::function<ManagedObjectContext*()> managedObjectContext;
        std::function<void(const Error&)> presentError;
        // The selections of the observed controllers (nullptr: none, several or not applicable).
        std::function<ManagedObject*()> recipeListSelection;
        std::function<ManagedObject*()> searchSelection;
        // The selected collection's kind ("RBCollectionKindSearchCache" and so on).
        std::function<QString()> selectedCollectionKind;
        std::function<bool()> searchResultsTableHidden;
        std::function<bool()> groceryListsTableHidden;
        // Whether the selected search result is a recipe of the library.
        std::function<bool()> searchSelectionIsLocal;
        // Deletes the shown recipe through the recipe list (which confirms).
        std::function<void()> deleteSelectedRecipe;
        // Cooking mode: whether the main window is key; entering answers whether it started.
        std::function<bool()> mainWindowIsKey;
        std::function<bool(ManagedObject* recipe)> enterFullScreenForRecipe;
        std::function<void()> exitFullScreen;
        // The sheet that introduces cooking mode, shown while "KRShowFullScreenDialog" is on: true
        // when the user goes on to cooking mode; `showAgain` turns false when the user asks not to
        // see it again. Empty: cooking mode starts at once.
        std::function<bool(bool& showAgain)> runFullScreenSheet;
        // The contextual menu of a field of the card ("ingredients" with the line's 1-based
        // number), owned by the caller; nullptr: the text view's standard menu.
        std::function<QMenu*(const QString& keyPath, quint64 index, QWidget* parent)>
            contextualMenuForAttributeValue;
        // The picture taker (an open panel for a picture file) and the picture panel.
        std::function<void()> addImage;
        std::function<void()> showImagePanel;
    };

    explicit RecipeController(Outlets outlets, QObject* parent = nullptr);
    ~RecipeController() override;

    // RecipeControllerService
    ManagedObject* currentRecipe() override;
    bool editable() const override { return m_editable; }
    bool fullScreen() const override { return m_fullScreen; }
    void toggleFullScreen() override;
    QWidget* recipePage() override;
    void observedSelectionDidChange(ObservedController controller, const QString& keyPath) override;
    void edit() override { setEditable(!m_editable); }
    void writeEditedCardBack() override;
    void setRulersVisible(bool visible) override;
    bool rulersVisible() const { return m_rulersVisible; }
    // The field menu for the text view (see Outlets).
    QMenu* contextualMenuForAttributeValue(const QString& keyPath, quint64 index, QWidget* parent);

    // Leaving editing writes the card into the recipe and saves the library.
    void setEditable(bool editable);
    RecipeEditingModel& page() { return m_page; }
    const RVTextContainer& textContainer() const { return m_textContainer; }
    RVTextContainer& textContainer() { return m_textContainer; }
    // The undo manager of the text: the private one while editing, else the library's.
    UndoManager* undoManagerForTextView();
    // Undo or redo from the page: typing first; once the typing is undone (or after an item was
    // added or removed), the library's own steps, with the card shown again.
    void undoOrRedo(bool undo);
    // The page's widget when it was made.
    RVRecipeView* recipeView() const { return m_recipeView; }
    // The shown recipe's card was printed: one more cooking.
    void didPrint();
    // Prints the shown card on the shared printer (the page is made when needed); a printer that
    // fails is reported.
    bool printRecipePage(const std::function<bool(QPrinter&)>& runPrintPanel) override;

    // The picture well in the page's notch: it shows the shown recipe's thumbnail (hidden with no
    // recipe), takes dropped and pasted pictures in both modes, and a double click on it adds a
    // picture or shows the picture panel.
    void setImageView(RecipeImageView* imageView);
    RecipeImageView* imageView() const;
    // Opens the picture taker.
    void addImage();
    // Stores the picture as the shown recipe's (a null image removes it) and shows its thumbnail.
    void setImage(const QImage& image) override;
    void removeImage();
    // The well again, from the shown recipe.
    void updateImageView();
    // The drag types the well takes: picture data and files.
    static QStringList acceptedImageTypes();
    // A drag of picture data, or of at least one local file that is a readable picture.
    static bool isPictureDrag(const QMimeData* data);
    // A picture drop on the page goes to the well; true when it took the picture.
    bool recipeViewShouldPerformDragOperation(const QMimeData* data);

signals:
    void editableChanged(bool editable);
    // The page shows another recipe (or none).
    void currentRecipeChanged();
    void rulersVisibleChanged(bool visible);

private:
    // The recipe the selection change stands for; false when the change does not count.
    bool recipeForChange(ObservedController controller, ManagedObject** recipe);
    void showRecipe(RecipeMO* recipe);
    ManagedObject* objectForID(ManagedObjectID& id) const;
    void present(const QString& message);

    Outlets m_outlets;
    RecipeEditingModel m_page;
    RVTextContainer m_textContainer;
    std::unique_ptr<UndoManager> m_textViewUndoManager;
    QPointer<RVRecipeView> m_recipeView;
    ManagedObjectID m_cachedCurrentRecipe;
    ObservedController m_lastObservedObject = ObservedController::Other;
    bool m_hasLastObserved = false;
    bool m_editable = false;
    bool m_fullScreen = false;
    bool m_rulersVisible = false;
    QPointer<QWidget> m_recipeImageView;
    ScopedObserver m_imageObserver;
};
