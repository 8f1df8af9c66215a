#include "ToolbarController.h"

#include "ManagedObject.h"
#include "MutableObjectSet.h"
#include "RecipeControllerService.h"
#include "RecipeMO.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QToolButton>

ToolbarController::ToolbarController(Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_outlets(std::move(outlets))
{
}

ToolbarController::~ToolbarController() = default;

QToolButton* ToolbarController::makeButton(const QString& name, const QString& text, const QString& toolTip)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(toolTip);
    // Pushed in while pressed, as the strip's buttons are.
    button->setAutoRaise(false);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QWidget* ToolbarController::toolbarView()
{
    if (m_toolbarView)
        return m_toolbarView;
    m_toolbarView = new QWidget;
    m_toolbarView->setObjectName(QStringLiteral("toolbarView"));
    auto* layout = new QHBoxLayout(m_toolbarView);
    layout->setContentsMargins(6, 3, 6, 3);
    m_cookButton = makeButton(QStringLiteral("cookButton"), tr("Cook"), tr("Cook this recipe step by step"));
    m_iChatButton = makeButton(QStringLiteral("iChatButton"), tr("Present"), tr("Present this recipe"));
    m_editButton = makeButton(QStringLiteral("editButton"), tr("Edit"), tr("Edit this recipe"));
    m_addButton = makeButton(
        QStringLiteral("addButton"), tr("Add to Library"), tr("Add the web recipes to your library"));
    m_mailButton = makeButton(QStringLiteral("mailButton"), tr("Mail"), tr("Email this recipe"));
    m_printButton = makeButton(QStringLiteral("printButton"), tr("Print"), tr("Print this recipe"));
    m_blogButton = makeButton(QStringLiteral("blogButton"), tr("Blog"), tr("Blog this recipe"));
    for (QToolButton* button :
        { m_cookButton.data(), m_iChatButton.data(), m_editButton.data(), m_addButton.data() })
        layout->addWidget(button);
    layout->addStretch(1);
    for (QToolButton* button : { m_mailButton.data(), m_printButton.data(), m_blogButton.data() })
        layout->addWidget(button);
    m_addButton->hide();
    m_editButton->show();

    connect(m_cookButton, &QToolButton::clicked, this, &ToolbarController::cookButtonPressed);
    connect(m_addButton, &QToolButton::clicked, this, &ToolbarController::addToLibrary);
    connect(m_blogButton, &QToolButton::clicked, this, &ToolbarController::blogRecipe);
    connect(m_iChatButton, &QToolButton::clicked, this, &ToolbarController::iChat);
    connect(m_editButton, &QToolButton::clicked, this, [this] {
        if (m_outlets.recipeController)
            m_outlets.recipeController->edit();
    });
    connect(m_mailButton, &QToolButton::clicked, this, [this] {
        if (m_outlets.emailRecipe)
            m_outlets.emailRecipe();
    });
    connect(m_printButton, &QToolButton::clicked, this, [this] {
        if (m_outlets.print)
            m_outlets.print();
    });
    return m_toolbarView;
}

void ToolbarController::cookButtonPressed()
{
    RecipeControllerService* page = m_outlets.recipeController;
    if (!page)
        return;
    const bool wasCooking = page->fullScreen();
    auto* recipe = dynamic_cast<RecipeMO*>(page->currentRecipe());
    page->toggleFullScreen();
    // Leaving cooking mode, or a start that did not happen (the window not key, the sheet
    // cancelled), is no cooking.
    if (wasCooking || !page->fullScreen() || !recipe || recipe->isDeleted())
        return;
    recipe->incrementCookCount();
    recipe->setValueForKey(QDateTime::currentDateTime(), QStringLiteral("dateCooked"));
}

void ToolbarController::addToLibrary()
{
    if (!m_outlets.selectedSearchResults)
        return;
    QList<ManagedObject*> recipes;
    for (const SearchResultAccess& result : m_outlets.selectedSearchResults()) {
        if (!result.isLocalResult || result.isLocalResult())
            continue;
        ManagedObject* recipe = result.recipe ? result.recipe() : nullptr;
        if (recipe && !recipe->isDeleted() && !recipes.contains(recipe))
            recipes.append(recipe);
        if (result.setIsLocalResult)
            result.setIsLocalResult(true);
    }
    if (m_outlets.reselectSearchResults)
        m_outlets.reselectSearchResults();
    ManagedObject* library = m_outlets.libraryCollection ? m_outlets.libraryCollection() : nullptr;
    if (!library || recipes.isEmpty())
        return;
    library->mutableSetValueForKey(QStringLiteral("recipes")).addObjects(recipes);
}

void ToolbarController::blogRecipe()
{
    if (m_outlets.blog)
        m_outlets.blog();
}
