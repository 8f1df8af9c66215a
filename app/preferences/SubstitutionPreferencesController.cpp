#include "SubstitutionPreferencesController.h"

#include "AutoCompletingTextField.h"
#include "BaseMOAdditions.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "HaveItList.h"
#include "KitchoraController.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "OneSelectedTransformer.h"
#include "Presenter.h"
#include "SubstitutionDropBox.h"
#include "SubstitutionIngredientTableView.h"
#include "SubstitutionRules.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

using SubstitutionRules::Box;

namespace
{

const QString kName = QStringLiteral("name");

QString nameOf(const QVariant& value)
{
    const KeyValueCoding* object = KeyValueCoding::fromVariant(value);
    return object ? object->valueForKey(kName).toString() : QString();
}

} // namespace

SubstitutionPreferencesController::SubstitutionPreferencesController(
    KitchoraController& controller, Presenter& presenter, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_presenter(presenter)
{
}

SubstitutionPreferencesController::~SubstitutionPreferencesController() = default;

ManagedObjectContext* SubstitutionPreferencesController::context() const
{
    return m_controller.managedObjectContext();
}

SubstitutionDropBox* SubstitutionPreferencesController::makeBox(
    const QString& title, AutoCompletingTextField** field, QComboBox** comboBox, QLabel** cue, QLabel** of)
{
    auto* box = new SubstitutionDropBox(title);
    auto* layout = new QGridLayout(box);
    *comboBox = new QComboBox;
    (*comboBox)->setEditable(true);
    (*comboBox)->setInsertPolicy(QComboBox::NoInsert);
    (*comboBox)->setMinimumWidth(110);
    *of = new QLabel(tr("of"));
    *field = new AutoCompletingTextField;
    (*field)->setCompletionProvider(&KitchoraController::completionForPartialString);
    *cue = new QLabel(tr("Drag an ingredient here"));
    (*cue)->setAlignment(Qt::AlignCenter);
    layout->addWidget(*comboBox, 0, 0);
    layout->addWidget(*of, 0, 1);
    layout->addWidget(*field, 0, 2);
    layout->addWidget(*cue, 1, 0, 1, 3);
    box->setIngredientField(*field);
    box->setMeasureComboBox(*comboBox);
    box->setDragCueText(*cue);
    box->setDelegate(
        [this](SubstitutionDropBox* target, const QUrl& url) { return boxDroppedURL(target, url); });

    QComboBox* combo = *comboBox;
    AutoCompletingTextField* ingredientField = *field;
    connect(ingredientField, &QLineEdit::editingFinished, this,
        [this, box, ingredientField] { ingredientTyped(box, ingredientField->text()); });
    connect(combo, &QComboBox::editTextChanged, this, [this, box, combo](const QString& text) {
        if (m_updating)
            return;
        amountTyped(box, text);
        comboBoxItems(combo);
    });
    return box;
}

QWidget* SubstitutionPreferencesController::view()
{
    if (m_view)
        return m_view;
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("Substitutions"));
    m_view = pane;
    auto* layout = new QHBoxLayout(pane);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("Substitutions:")));
    m_ruleList = new QListWidget;
    m_ruleList->setMinimumWidth(220);
    m_ruleList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_ruleList, &QListWidget::currentRowChanged, this, [this] { updateBoxes(); });
    left->addWidget(m_ruleList, 1);
    auto* ruleButtons = new QHBoxLayout;
    auto* add = new QToolButton;
    add->setText(QStringLiteral("+"));
    add->setToolTip(tr("Add a substitution"));
    connect(add, &QToolButton::clicked, this, [this] { addRule(); });
    auto* remove = new QToolButton;
    remove->setText(QStringLiteral("−"));
    remove->setToolTip(tr("Remove the selected substitution"));
    connect(remove, &QToolButton::clicked, this, [this] { removeRule(); });
    ruleButtons->addWidget(add);
    ruleButtons->addWidget(remove);
    ruleButtons->addStretch(1);
    left->addLayout(ruleButtons);
    layout->addLayout(left, 1);

    auto* middle = new QVBoxLayout;
    m_topBox = makeBox(QString(), &m_topTextField, &m_topComboBox, &m_topCueText, &m_topOf);
    middle->addWidget(m_topBox);
    auto* direction = new QHBoxLayout;
    m_directionPopup = new QComboBox;
    m_directionPopup->addItem(tr("can be replaced with"), 1);
    m_directionPopup->addItem(tr("can replace"), 0);
    connect(m_directionPopup, &QComboBox::activated, this,
        [this](int index) { chooseDirection(m_directionPopup->itemData(index).toInt()); });
    direction->addWidget(m_directionPopup, 1);
    m_invertButton = new QPushButton(tr("Invert"));
    connect(m_invertButton, &QPushButton::clicked, this, [this] { invert(); });
    direction->addWidget(m_invertButton);
    middle->addLayout(direction);
    m_bottomBox = makeBox(QString(), &m_bottomTextField, &m_bottomComboBox, &m_bottomCueText, &m_bottomOf);
    middle->addWidget(m_bottomBox);
    middle->addStretch(1);
    layout->addLayout(middle, 2);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("Ingredients:")));
    m_ingredientTable = new SubstitutionIngredientTableView;
    m_ingredientModel = new QStandardItemModel(m_ingredientTable);
    m_ingredientTable->setModel(m_ingredientModel);
    m_ingredientTable->horizontalHeader()->hide();
    m_ingredientTable->horizontalHeader()->setStretchLastSection(true);
    m_ingredientTable->verticalHeader()->hide();
    m_ingredientTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ingredientTable->setMinimumWidth(160);
    m_ingredientTable->setURLForRow([this](int row) {
        return row >= 0 && row < m_ingredients.size() ? m_ingredients.at(row)->objectID().URIRepresentation()
                                                      : QUrl();
    });
    right->addWidget(m_ingredientTable, 1);
    layout->addLayout(right, 1);
    pane->setMinimumHeight(320);

    reloadIngredients();
    reloadRules();
    return pane;
}

void SubstitutionPreferencesController::reloadRules(ManagedObject* select)
{
    ManagedObjectContext* managed = context();
    m_rules.clear();
    if (managed) {
        m_rules = managed
                      ->executeFetchRequest(
                          FetchRequest::fetchRequestWithEntityName(QStringLiteral("Substitution")))
                      .value_or(QList<ManagedObject*>());
        m_rules.removeIf([](ManagedObject* rule) { return rule->isDeleted(); });
    }
    if (!m_ruleList)
        return;
    m_updating = true;
    m_ruleList->clear();
    for (ManagedObject* rule : std::as_const(m_rules))
        m_ruleList->addItem(ruleDescription(rule));
    m_ruleList->setCurrentRow(int(m_rules.indexOf(select)));
    m_updating = false;
    updateBoxes();
}

void SubstitutionPreferencesController::reloadIngredients(ManagedObject* select)
{
    m_ingredients = HaveItList::allIngredients(context());
    if (!m_ingredientModel)
        return;
    m_ingredientModel->clear();
    for (ManagedObject* ingredient : std::as_const(m_ingredients))
        m_ingredientModel->appendRow(new QStandardItem(ingredient->valueForKey(kName).toString()));
    const qsizetype row = m_ingredients.indexOf(select);
    if (row >= 0) {
        m_ingredientTable->selectRow(int(row));
        m_ingredientTable->scrollTo(m_ingredientModel->index(int(row), 0));
    }
}

ManagedObject* SubstitutionPreferencesController::selectedRule() const
{
    if (!m_ruleList)
        return nullptr;
    const int row = m_ruleList->currentRow();
    return row >= 0 && row < m_rules.size() ? m_rules.at(row) : nullptr;
}

void SubstitutionPreferencesController::selectRule(ManagedObject* rule)
{
    if (m_ruleList)
        m_ruleList->setCurrentRow(int(m_rules.indexOf(rule)));
}

QString SubstitutionPreferencesController::ruleDescription(const ManagedObject* rule) const
{
    return SubstitutionRules::describe(rule, m_directionTag);
}

void SubstitutionPreferencesController::refreshRuleTexts()
{
    if (!m_ruleList)
        return;
    for (int row = 0; row < m_rules.size() && row < m_ruleList->count(); ++row)
        m_ruleList->item(row)->setText(ruleDescription(m_rules.at(row)));
}

bool SubstitutionPreferencesController::boxDroppedURL(SubstitutionDropBox* box, const QUrl& url)
{
    const Box which = box == m_topBox ? Box::Top : box == m_bottomBox ? Box::Bottom : Box::Other;
    if (!SubstitutionRules::dropIngredient(which, m_directionTag, url, selectedRule(), context()))
        return false;
    refreshRuleTexts();
    updateBoxes();
    return true;
}

void SubstitutionPreferencesController::chooseDirection(int tag)
{
    if (tag == m_directionTag)
        return;
    m_directionTag = tag;
    // Each box keeps showing what it showed: the stored sides trade roles.
    SubstitutionRules::invert(selectedRule());
    if (m_directionPopup)
        m_directionPopup->setCurrentIndex(m_directionPopup->findData(tag));
    refreshRuleTexts();
    updateBoxes();
}

void SubstitutionPreferencesController::invert()
{
    ManagedObject* rule = selectedRule();
    if (!rule)
        return;
    SubstitutionRules::invert(rule);
    refreshRuleTexts();
    updateBoxes();
}

void SubstitutionPreferencesController::addRule()
{
    ManagedObjectContext* managed = context();
    if (!managed)
        return;
    ManagedObject* rule
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Substitution"), managed);
    if (!rule)
        return;
    managed->processPendingChanges();
    reloadRules(rule);
}

void SubstitutionPreferencesController::removeRule()
{
    ManagedObject* rule = selectedRule();
    ManagedObjectContext* managed = context();
    if (!rule || !managed) {
        m_presenter.beep();
        return;
    }
    managed->deleteObject(rule);
    managed->processPendingChanges();
    reloadRules();
}

void SubstitutionPreferencesController::ingredientTyped(SubstitutionDropBox* box, const QString& name)
{
    ManagedObject* rule = selectedRule();
    const QString role
        = SubstitutionRules::roleForBox(box == m_topBox ? Box::Top : Box::Bottom, m_directionTag);
    if (m_updating || !rule || name.trimmed().isEmpty() || nameOf(rule->valueForKey(role)) == name.trimmed())
        return;
    ManagedObject* ingredient = BaseMOAdditions::findOrCreateManagedObjectForName(
        name.trimmed(), QStringLiteral("Ingredient"), context());
    if (!ingredient)
        return;
    rule->setValueForKey(QVariant::fromValue<ManagedObject*>(ingredient), role);
    context()->processPendingChanges();
    reloadIngredients();
    refreshRuleTexts();
    updateBoxes();
}

void SubstitutionPreferencesController::amountTyped(SubstitutionDropBox* box, const QString& amount)
{
    ManagedObject* rule = selectedRule();
    if (!rule)
        return;
    const QString role
        = SubstitutionRules::roleForBox(box == m_topBox ? Box::Top : Box::Bottom, m_directionTag);
    rule->setValueForKey(amount, role + QStringLiteral("Amount"));
}

QStringList SubstitutionPreferencesController::comboBoxItems(QComboBox* comboBox)
{
    QStringList* cache = comboBox == m_topComboBox ? &m_topComboBoxItems
        : comboBox == m_bottomComboBox             ? &m_bottomComboBoxItems
                                                   : nullptr;
    if (!cache)
        return {};
    const QString text = comboBox->currentText();
    const QStringList items
        = SubstitutionRules::measureItems(text, SubstitutionRules::measureCompletions(text));
    // Without completions the cached items stay as they were.
    if (items.isEmpty())
        return *cache;
    *cache = items;
    const bool updating = std::exchange(m_updating, true);
    const int cursor = comboBox->lineEdit() ? comboBox->lineEdit()->cursorPosition() : 0;
    comboBox->clear();
    comboBox->addItems(items);
    comboBox->setEditText(text);
    if (comboBox->lineEdit())
        comboBox->lineEdit()->setCursorPosition(cursor);
    m_updating = updating;
    return items;
}

void SubstitutionPreferencesController::updateBox(
    SubstitutionDropBox* box, AutoCompletingTextField* field, QComboBox* comboBox, QLabel* cue, QLabel* of)
{
    ManagedObject* rule = selectedRule();
    QVariantList selection;
    if (rule)
        selection.append(QVariant::fromValue<ManagedObject*>(rule));
    const bool one = OneSelectedTransformer().transformedValue(selection).toBool();
    const QString role
        = SubstitutionRules::roleForBox(box == m_topBox ? Box::Top : Box::Bottom, m_directionTag);
    const QString name = rule ? nameOf(rule->valueForKey(role)) : QString();
    box->setTitle(role == QStringLiteral("ingredient") ? tr("Ingredient") : tr("Substitute"));
    field->setEnabled(one);
    comboBox->setEnabled(one);
    cue->setEnabled(one);
    field->setText(name);
    comboBox->setEditText(rule ? rule->valueForKey(role + QStringLiteral("Amount")).toString() : QString());
    // The cue asks for an ingredient until the side has one.
    cue->setVisible(name.isEmpty());
    of->setEnabled(one);
}

void SubstitutionPreferencesController::updateBoxes()
{
    if (!m_topBox)
        return;
    const bool updating = std::exchange(m_updating, true);
    updateBox(m_topBox, m_topTextField, m_topComboBox, m_topCueText, m_topOf);
    updateBox(m_bottomBox, m_bottomTextField, m_bottomComboBox, m_bottomCueText, m_bottomOf);
    const bool one = selectedRule() != nullptr;
    m_invertButton->setEnabled(one);
    m_ingredientTable->setEnabled(one);
    m_updating = updating;
}
