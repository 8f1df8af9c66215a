#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

class AutoCompletingTextField;
class KitchoraController;
class ManagedObject;
class ManagedObjectContext;
class Presenter;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStandardItemModel;
class QWidget;
class SubstitutionDropBox;
class SubstitutionIngredientTableView;

// The Substitutions pane: the rules on the left, every ingredient on the right, and the selected
// rule's two sides in a top and a bottom box. An ingredient dragged onto a box (or typed into its
// field) sets that side; the direction pop-up says whether the top box holds the ingredient to
// replace (tag 1) or its substitute (tag 0); choosing the other direction swaps the stored sides so
// each box keeps its text, while Invert swaps them on screen. Main thread only.
class SubstitutionPreferencesController : public QObject
{
    Q_OBJECT

public:
    SubstitutionPreferencesController(
        KitchoraController& controller, Presenter& presenter, QObject* parent = nullptr);
    ~SubstitutionPreferencesController() override;

    // The pane; made on first use, owned by whoever takes it.
    QWidget* view();

    void reloadRules(ManagedObject* select = nullptr);
    void reloadIngredients(ManagedObject* select = nullptr);
    QList<ManagedObject*> rules() const { return m_rules; }
    QList<ManagedObject*> ingredients() const { return m_ingredients; }
    ManagedObject* selectedRule() const;
    void selectRule(ManagedObject* rule);

    // The boxes' delegate: sets the side the box shows; false when refused.
    bool boxDroppedURL(SubstitutionDropBox* box, const QUrl& url);
    // The pop-up chose `tag`: nothing when it is the current one, else the sides are swapped.
    void chooseDirection(int tag);
    int directionTag() const { return m_directionTag; }
    // Swaps the selected rule's sides.
    void invert();
    void addRule();
    void removeRule();

    // The text the rule list shows for a rule.
    QString ruleDescription(const ManagedObject* rule) const;
    // The measure combo box's items for its text now (cached per box).
    QStringList comboBoxItems(QComboBox* comboBox);

    SubstitutionDropBox* topBox() const { return m_topBox; }
    SubstitutionDropBox* bottomBox() const { return m_bottomBox; }
    QListWidget* substitutionTableView() const { return m_ruleList; }
    SubstitutionIngredientTableView* ingredientTableView() const { return m_ingredientTable; }
    QComboBox* substitutionDirectionPopup() const { return m_directionPopup; }

private:
    ManagedObjectContext* context() const;
    SubstitutionDropBox* makeBox(const QString& title, AutoCompletingTextField** field, QComboBox** comboBox,
        QLabel** cue, QLabel** of);
    void updateBoxes();
    void updateBox(SubstitutionDropBox* box, AutoCompletingTextField* field, QComboBox* comboBox, QLabel* cue,
        QLabel* of);
    void ingredientTyped(SubstitutionDropBox* box, const QString& name);
    void amountTyped(SubstitutionDropBox* box, const QString& amount);
    void refreshRuleTexts();

    KitchoraController& m_controller;
    Presenter& m_presenter;
    QPointer<QWidget> m_view;
    QList<ManagedObject*> m_rules;
    QList<ManagedObject*> m_ingredients;
    int m_directionTag = 1;
    bool m_updating = false;

    QListWidget* m_ruleList = nullptr;
    SubstitutionIngredientTableView* m_ingredientTable = nullptr;
    QStandardItemModel* m_ingredientModel = nullptr;
    QComboBox* m_directionPopup = nullptr;
    QPushButton* m_invertButton = nullptr;
    SubstitutionDropBox* m_topBox = nullptr;
    AutoCompletingTextField* m_topTextField = nullptr;
    QComboBox* m_topComboBox = nullptr;
    QLabel* m_topCueText = nullptr;
    QLabel* m_topOf = nullptr;
    QStringList m_topComboBoxItems;
    SubstitutionDropBox* m_bottomBox = nullptr;
    AutoCompletingTextField* m_bottomTextField = nullptr;
    QComboBox* m_bottomComboBox = nullptr;
    QLabel* m_bottomCueText = nullptr;
    QLabel* m_bottomOf = nullptr;
    QStringList m_bottomComboBoxItems;
};
