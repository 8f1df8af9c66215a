#include "RecipeController.h"

#include "Completions.h"
#include "Error.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "RVRecipeView.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "UndoManager.h"
#include "UserDefaults.h"

namespace
{

template <typename T> T ask(const std::function<T()>& outlet, T otherwise = T())
{
    return outlet ? outlet() : otherwise;
}

} // namespace

RecipeController::RecipeController(Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_outlets(std::move(outlets))
{
    m_textContainer.setLineFragmentPadding(8.0);
    m_textContainer.setRVTextContainerNotchX(140);
    m_textContainer.setRVTextContainerNotchY(160);
    RecipeEditingModel::Hooks hooks;
    hooks.deleteSelectedRecipe = [this] {
        if (m_outlets.deleteSelectedRecipe)
            m_outlets.deleteSelectedRecipe();
    };
    hooks.edit = [this] { setEditable(true); };
    hooks.completions = [](const QString& partial, const EntityDescription* entity) {
        return Completions::sharedCompletions().completionsArrayForString(partial, entity);
    };
    m_page.setHooks(std::move(hooks));
}

RecipeController::~RecipeController()
{
    delete m_recipeView.data();
}

ManagedObject* RecipeController::objectForID(ManagedObjectID& id) const
{
    ManagedObjectContext* context = ask(m_outlets.managedObjectContext);
    if (!context || id.isNull())
        return nullptr;
    ManagedObject* object = context->objectRegisteredForID(id);
    // A new recipe saved since: its identifier became permanent.
    if (!object && id.isTemporaryID()) {
        object = context->objectWithID(id);
        if (object)
            id = object->objectID();
    }
    if (!object || object->isDeleted())
        return nullptr;
    return object;
}

ManagedObject* RecipeController::currentRecipe()
{
    return objectForID(m_cachedCurrentRecipe);
}

UndoManager* RecipeController::undoManagerForTextView()
{
    if (m_editable) {
        if (!m_textViewUndoManager)
            m_textViewUndoManager = std::make_unique<UndoManager>();
        return m_textViewUndoManager.get();
    }
    ManagedObjectContext* context = ask(m_outlets.managedObjectContext);
    return context ? context->undoManager() : nullptr;
}

void RecipeController::present(const QString& message)
{
    Log::log(message);
    if (m_outlets.presentError) {
        Error error;
        error.domain = QStringLiteral("KitchoraErrorDomain");
        error.code = 1;
        error.localizedDescription = message;
        m_outlets.presentError(error);
    }
}

bool RecipeController::recipeForChange(ObservedController controller, ManagedObject** recipe)
{
    switch (controller) {
    case ObservedController::Collections: {
        const QString kind = ask(m_outlets.selectedCollectionKind);
        if (kind == KRCollectionKindGroceryListsCollection)
            return false;
        *recipe = kind == KRCollectionKindSearchCache ? ask(m_outlets.searchSelection)
                                                      : ask(m_outlets.recipeListSelection);
        return true;
    }
    case ObservedController::SearchResults:
        if (ask(m_outlets.searchResultsTableHidden, true))
            return false;
        *recipe = ask(m_outlets.searchSelection);
        return true;
    case ObservedController::RecipeList:
        if (!ask(m_outlets.searchResultsTableHidden, true) || !ask(m_outlets.groceryListsTableHidden, true))
            return false;
        *recipe = ask(m_outlets.recipeListSelection);
        return true;
    case ObservedController::Other:
        break;
    }
    // Reported, never thrown out of the observer.
    present(
        QStringLiteral("***RecipeController: <%1> is not a supported controller***\n").arg(int(controller)));
    return false;
}

void RecipeController::observedSelectionDidChange(ObservedController controller, const QString& keyPath)
{
    ManagedObject* object = nullptr;
    if (!recipeForChange(controller, &object))
        return;
    auto* recipe = dynamic_cast<RecipeMO*>(object);
    if (object && !recipe)
        Log::log(QStringLiteral("RecipeController: Caught NSInvalidArgumentException: not a recipe"));
    auto* cached = dynamic_cast<RecipeMO*>(currentRecipe());

    if (recipe && recipe == cached && !recipe->isDirty() && m_hasLastObserved
        && controller == m_lastObservedObject) {
        // The same recipe again: its card may have changed under the page.
        if (!m_editable)
            m_page.reloadCard();
        return;
    }
    if (!recipe) {
        // The page empties after the shown recipe is let go, so a deleted card never stays.
        m_cachedCurrentRecipe = {};
        m_hasLastObserved = false;
        m_page.setRecipe(nullptr);
        m_page.setSelectedRange({});
        m_page.setCard({});
        emit currentRecipeChanged();
        return;
    }
    if (recipe != cached) {
        // Typing not yet written back belongs to the recipe that was shown.
        std::optional<AttributedString> copy;
        if (cached && (cached->isDirty() || m_editable))
            copy = m_page.textStorage();
        m_page.setSelectedRange({});
        m_page.setRecipe(nullptr);
        m_page.setCard({});
        m_cachedCurrentRecipe = recipe->objectID();
        if (m_editable && keyPath == QLatin1String("selection"))
            recipe->setEditing(true);
        m_page.setRecipe(recipe);
        m_page.reloadCard();
        if (m_editable) {
            if (controller == ObservedController::SearchResults
                && !ask(m_outlets.searchSelectionIsLocal, true))
                setEditable(false);
            else
                m_page.setEditable(true);
        }
        if (copy) {
            cached->setAttributedString(*copy);
            cached->setEditing(false);
        }
        if (m_textViewUndoManager)
            m_textViewUndoManager->removeAllActions();
        emit currentRecipeChanged();
    } else if (!m_editable) {
        m_page.reloadCard();
    }
    m_lastObservedObject = controller;
    m_hasLastObserved = true;
}

void RecipeController::setEditable(bool editable)
{
    if (editable == m_editable)
        return;
    auto* recipe = dynamic_cast<RecipeMO*>(currentRecipe());
    if (!editable && recipe)
        m_page.writeCardToRecipe();
    m_editable = editable;
    if (recipe)
        recipe->setEditing(editable);
    m_page.setRecipe(recipe);
    m_page.reloadCard();
    if (!editable && m_textViewUndoManager)
        m_textViewUndoManager->removeAllActions();
    m_page.setUndoManager(editable ? undoManagerForTextView() : nullptr);
    m_page.setEditable(editable);
    if (!editable) {
        m_page.setSelectedRange({});
        ManagedObjectContext* context = ask(m_outlets.managedObjectContext);
        Error error;
        if (context && context->hasChanges() && !context->save(&error)) {
            Log::logf(QStringLiteral("Error while saving: %1"), error.localizedDescription);
            if (m_outlets.presentError && !error.isNull())
                m_outlets.presentError(error);
        }
    }
    emit editableChanged(editable);
}

void RecipeController::undoOrRedo(bool undo)
{
    UndoManager* typing = m_editable ? m_textViewUndoManager.get() : nullptr;
    if (typing && (undo ? typing->canUndo() : typing->canRedo())) {
        undo ? typing->undo() : typing->redo();
        return;
    }
    ManagedObjectContext* context = ask(m_outlets.managedObjectContext);
    UndoManager* library = context ? context->undoManager() : nullptr;
    if (!library || !(undo ? library->canUndo() : library->canRedo()))
        return;
    // What the page shows goes into the recipe first, so no typing is lost to the undo; that is no
    // step of its own, or the undo would only take it back.
    if (m_editable) {
        library->disableUndoRegistration();
        m_page.writeCardToRecipe();
        if (context)
            context->processPendingChanges();
        library->enableUndoRegistration();
    }
    undo ? library->undo() : library->redo();
    if (context)
        context->processPendingChanges();
    m_page.reloadCard();
}

void RecipeController::toggleFullScreen()
{
    if (!m_fullScreen) {
        if (!ask(m_outlets.mainWindowIsKey))
            return;
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        if (m_outlets.runFullScreenSheet && defaults.boolForKey(KRShowFullScreenDialog)) {
            bool showAgain = true;
            const bool goOn = m_outlets.runFullScreenSheet(showAgain);
            if (!showAgain) {
                defaults.setBool(false, KRShowFullScreenDialog);
                defaults.synchronize();
            }
            if (!goOn)
                return;
        }
        // Only a cooking mode that started counts: a cancelled start leaves one press to act.
        if (m_outlets.enterFullScreenForRecipe && m_outlets.enterFullScreenForRecipe(currentRecipe()))
            m_fullScreen = true;
        return;
    }
    m_fullScreen = false;
    if (m_outlets.exitFullScreen)
        m_outlets.exitFullScreen();
}

void RecipeController::didPrint()
{
    if (auto* recipe = dynamic_cast<RecipeMO*>(currentRecipe()))
        recipe->incrementCookCount();
}

QWidget* RecipeController::recipePage()
{
    if (!m_recipeView)
        m_recipeView = new RVRecipeView(*this);
    return m_recipeView;
}

void RecipeController::writeEditedCardBack()
{
    if (m_editable && currentRecipe())
        m_page.writeCardToRecipe();
}

void RecipeController::setRulersVisible(bool visible)
{
    if (visible == m_rulersVisible)
        return;
    m_rulersVisible = visible;
    emit rulersVisibleChanged(visible);
}

QMenu* RecipeController::contextualMenuForAttributeValue(
    const QString& keyPath, quint64 index, QWidget* parent)
{
    return m_outlets.contextualMenuForAttributeValue
        ? m_outlets.contextualMenuForAttributeValue(keyPath, index, parent)
        : nullptr;
}
