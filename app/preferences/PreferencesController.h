#pragma once

#include "DBPrefsWindowController.h"
#include "NotificationCenter.h"
#include "UsernameEditor.h"

#include <QPointer>
#include <functional>
#include <memory>

class KitchoraController;
class ManagedObject;
class Presenter;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTextBrowser;
class SubstitutionPreferencesController;

// The preferences window and its panes: General (measurement system, themed windows, the web
// recipe service's user name, the ingredients always at home, resetting the warnings, help),
// Substitutions, Units and Sharing (choosing the synced folder or stopping, hidden devices).
// One per program while the library window lives; reached through sharedPreferencesController().
// Dialogs go through the presenter. Main thread only.
class PreferencesController : public DBPrefsWindowController
{
    Q_OBJECT

public:
    // Not owned: the controller and the presenter, which must outlive this. `showHiddenDevices`
    // is the source list's (may be empty).
    PreferencesController(KitchoraController& controller, Presenter& presenter,
        std::function<void()> showHiddenDevices, QObject* parent = nullptr);
    ~PreferencesController() override;

    // The live instance, or nullptr.
    static PreferencesController* sharedPreferencesController();

    // Shows the window with the given pane (empty: the first).
    void showPane(const QString& identifier = {});

    // Sharing pane.
    void updateDropboxViews();
    void linkUnlinkDropboxAction();
    void showHiddenDevices();

    // General pane.
    void setDefaultMeasurementSystem(qint64 system);
    void changeTheming(bool themed);
    void resetWarnings();
    void showPrefsHelp();
    void showOnlineDatabaseHelp();

    // Have-it list: a sheet asks for the name until one is given or the sheet is cancelled (an
    // empty name beeps). startAddIngredient adds without marking have-it.
    void startAddHaveIt();
    void startAddIngredient();
    void removeIngredientHaveIt(ManagedObject* ingredient);
    // The ingredients the have-it list shows, in order.
    QList<ManagedObject*> haveItIngredients() const;

    // User name.
    void editUsername();
    void lostUsername();
    // Asks for a user name before `recipe` is first shared; with one made, the recipe is shared.
    void beginFirstSubmitUsernameSheet(ManagedObject* recipe);
    UsernameEditor& usernameEditor() { return *m_usernameEditor; }

    // Pane widgets, for tests and screenshots.
    QComboBox* measurementSystemControl() const { return m_measurementSystem; }
    QCheckBox* themingControl() const { return m_theming; }
    QLabel* usernameLabel() const { return m_usernameLabel; }
    QProgressBar* usernameProgress() const { return m_usernameProgress; }
    QListWidget* haveItTableView() const { return m_haveItTable; }
    QLabel* dropboxStatusLabel() const { return m_dropboxStatusLabel; }
    QPushButton* dropboxLinkButton() const { return m_dropboxLinkButton; }
    QTableWidget* unitsTableView() const { return m_unitsTable; }
    SubstitutionPreferencesController* substitutionPreferences() const { return m_substitutions.get(); }

    static QString supportEmailAddress();

protected:
    void setupToolbar() override;
    void windowDidLoad() override;

private:
    QWidget* makeGeneralPane();
    QWidget* makeUnitsPane();
    QWidget* makeSharingPane();
    void refreshGeneralPane();
    void reloadHaveItList(ManagedObject* selected = nullptr);
    void showConnectionAlert();
    void showHelpAnchor(const QString& anchor);
    ManagedObject* askForIngredient(bool markHaveIt);

    KitchoraController& m_controller;
    Presenter& m_presenter;
    std::function<void()> m_showHiddenDevices;
    std::unique_ptr<UsernameEditor> m_usernameEditor;
    std::unique_ptr<SubstitutionPreferencesController> m_substitutions;
    ScopedObserver m_measurementObserver;
    ScopedObserver m_dropboxObserver;

    QWidget* m_generalPane = nullptr;
    QWidget* m_substitutionsPane = nullptr;
    QWidget* m_unitsPane = nullptr;
    QWidget* m_sharingPane = nullptr;
    QComboBox* m_measurementSystem = nullptr;
    QCheckBox* m_theming = nullptr;
    QLabel* m_usernameLabel = nullptr;
    QProgressBar* m_usernameProgress = nullptr;
    QListWidget* m_haveItTable = nullptr;
    QList<ManagedObject*> m_haveIt;
    QLabel* m_dropboxStatusLabel = nullptr;
    QPushButton* m_dropboxLinkButton = nullptr;
    QTableWidget* m_unitsTable = nullptr;
    QPointer<QTextBrowser> m_helpWindow;
};
