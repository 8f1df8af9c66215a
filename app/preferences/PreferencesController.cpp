#include "PreferencesController.h"

#include "DropboxService.h"
#include "HaveItList.h"
#include "KitchoraController.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "MeasurementUnit.h"
#include "PreferencesDefaults.h"
#include "Presenter.h"
#include "RecipeMO.h"
#include "SubstitutionPreferencesController.h"
#include "Theming.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

PreferencesController* g_shared = nullptr;

const QString kGeneral = QStringLiteral("General");
const QString kSubstitutions = QStringLiteral("Substitutions");
const QString kUnits = QStringLiteral("Units");
const QString kSharing = QStringLiteral("Sharing");

// Panes are at least this wide, so the toolbar fits above each.
constexpr int kMinimumPaneWidth = 520;

void sizePane(QWidget* pane)
{
    pane->adjustSize();
    pane->resize(std::max(pane->width(), kMinimumPaneWidth), pane->height());
}

} // namespace

PreferencesController::PreferencesController(KitchoraController& controller, Presenter& presenter,
    std::function<void()> showHiddenDevices, QObject* parent)
    : DBPrefsWindowController(parent)
    , m_controller(controller)
    , m_presenter(presenter)
    , m_showHiddenDevices(std::move(showHiddenDevices))
{
    m_usernameEditor = std::make_unique<UsernameEditor>(controller.cloudAccount(),
        UsernameEditor::Hooks { [this](bool running) {
                                   if (m_usernameProgress)
                                       m_usernameProgress->setVisible(running);
                                   refreshGeneralPane();
                               },
            [this] { showConnectionAlert(); } });
    PreferencesDefaults::ensureDefaultMeasurementSystem();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_measurementObserver = ScopedObserver(center,
        center.addObserver(KRDefaultMeasurementSystemDidChange, nullptr,
            [this](const Notification&) { refreshGeneralPane(); }));
    m_dropboxObserver = ScopedObserver(center,
        center.addObserver(DBAuthHelperOSXStateChangedNotification, nullptr,
            [this](const Notification&) { updateDropboxViews(); }));
    g_shared = this;
}

PreferencesController::~PreferencesController()
{
    if (g_shared == this)
        g_shared = nullptr;
}

PreferencesController* PreferencesController::sharedPreferencesController()
{
    return g_shared;
}

QString PreferencesController::supportEmailAddress()
{
    return QStringLiteral("support@kitchora.org");
}

void PreferencesController::windowDidLoad()
{
    m_generalPane = makeGeneralPane();
    m_substitutions = std::make_unique<SubstitutionPreferencesController>(m_controller, m_presenter);
    m_substitutionsPane = m_substitutions->view();
    m_unitsPane = makeUnitsPane();
    m_sharingPane = makeSharingPane();
    for (QWidget* pane : { m_generalPane, m_substitutionsPane, m_unitsPane, m_sharingPane }) {
        pane->setParent(contentSubview());
        pane->hide();
        sizePane(pane);
    }
    refreshGeneralPane();
    updateDropboxViews();
}

void PreferencesController::setupToolbar()
{
    addView(m_generalPane, kGeneral, QIcon::fromTheme(QStringLiteral("preferences-system")));
    addView(m_substitutionsPane, kSubstitutions, QIcon::fromTheme(QStringLiteral("view-refresh")));
    addView(m_unitsPane, kUnits, QIcon::fromTheme(QStringLiteral("accessories-calculator")));
    addView(m_sharingPane, kSharing, QIcon::fromTheme(QStringLiteral("folder-remote")));
}

void PreferencesController::showPane(const QString& identifier)
{
    showWindow();
    if (!identifier.isEmpty())
        displayViewForIdentifier(identifier, false);
}

// --- General pane ---

QWidget* PreferencesController::makeGeneralPane()
{
    auto* pane = new QWidget;
    pane->setObjectName(kGeneral);
    auto* form = new QFormLayout(pane);

    m_measurementSystem = new QComboBox;
    m_measurementSystem->addItem(tr("Metric"), qint64(MeasurementUnit::SystemMetric));
    m_measurementSystem->addItem(tr("US"), qint64(MeasurementUnit::SystemUS));
    connect(m_measurementSystem, &QComboBox::activated, this, [this](int index) {
        setDefaultMeasurementSystem(m_measurementSystem->itemData(index).toLongLong());
    });
    form->addRow(tr("Measurement system:"), m_measurementSystem);

    m_theming = new QCheckBox(tr("Use themed windows"));
    connect(m_theming, &QCheckBox::clicked, this, [this](bool checked) { changeTheming(checked); });
    form->addRow(QString(), m_theming);

    auto* user = new QHBoxLayout;
    m_usernameLabel = new QLabel;
    m_usernameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    user->addWidget(m_usernameLabel, 1);
    m_usernameProgress = new QProgressBar;
    m_usernameProgress->setRange(0, 0);
    m_usernameProgress->setMaximumWidth(60);
    m_usernameProgress->setTextVisible(false);
    m_usernameProgress->hide();
    user->addWidget(m_usernameProgress);
    auto* edit = new QPushButton(tr("Edit…"));
    connect(edit, &QPushButton::clicked, this, [this] { editUsername(); });
    user->addWidget(edit);
    auto* onlineHelp = new QToolButton;
    onlineHelp->setText(QStringLiteral("?"));
    onlineHelp->setToolTip(tr("Help on the online recipe service"));
    connect(onlineHelp, &QToolButton::clicked, this, [this] { showOnlineDatabaseHelp(); });
    user->addWidget(onlineHelp);
    form->addRow(tr("Online user name:"), user);

    auto* haveIt = new QVBoxLayout;
    m_haveItTable = new QListWidget;
    m_haveItTable->setMinimumHeight(120);
    haveIt->addWidget(m_haveItTable);
    auto* haveItButtons = new QHBoxLayout;
    auto* add = new QToolButton;
    add->setText(QStringLiteral("+"));
    add->setToolTip(tr("Add an ingredient you always have"));
    connect(add, &QToolButton::clicked, this, [this] { startAddHaveIt(); });
    auto* remove = new QToolButton;
    remove->setText(QStringLiteral("−"));
    remove->setToolTip(tr("Remove the selected ingredient from the list"));
    connect(remove, &QToolButton::clicked, this, [this] {
        const int row = m_haveItTable->currentRow();
        if (row >= 0 && row < m_haveIt.size())
            removeIngredientHaveIt(m_haveIt.at(row));
    });
    haveItButtons->addWidget(add);
    haveItButtons->addWidget(remove);
    haveItButtons->addStretch(1);
    haveIt->addLayout(haveItButtons);
    form->addRow(tr("Ingredients I always have:"), haveIt);

    auto* bottom = new QHBoxLayout;
    auto* reset = new QPushButton(tr("Reset Warnings"));
    connect(reset, &QPushButton::clicked, this, [this] { resetWarnings(); });
    bottom->addWidget(reset);
    bottom->addStretch(1);
    auto* help = new QToolButton;
    help->setText(QStringLiteral("?"));
    help->setToolTip(tr("Help"));
    connect(help, &QToolButton::clicked, this, [this] { showPrefsHelp(); });
    bottom->addWidget(help);
    form->addRow(bottom);
    return pane;
}

void PreferencesController::refreshGeneralPane()
{
    if (!m_measurementSystem)
        return;
    const int index = m_measurementSystem->findData(PreferencesDefaults::defaultMeasurementSystem());
    if (index >= 0)
        m_measurementSystem->setCurrentIndex(index);
    m_theming->setChecked(UserDefaults::standardUserDefaults().boolForKey(KRThemedWindows));
    const QString name = UsernameEditor::currentUsername();
    m_usernameLabel->setText(name.isEmpty() ? tr("(none)") : name);
    m_usernameProgress->setVisible(m_usernameEditor->inProgress());
    reloadHaveItList();
}

void PreferencesController::setDefaultMeasurementSystem(qint64 system)
{
    PreferencesDefaults::setDefaultMeasurementSystem(system, this);
}

void PreferencesController::changeTheming(bool themed)
{
    PreferencesDefaults::changeTheming(themed, this);
}

void PreferencesController::resetWarnings()
{
    PreferencesDefaults::resetWarnings();
}

void PreferencesController::showPrefsHelp()
{
    showHelpAnchor(QStringLiteral("helpTopic40"));
}

void PreferencesController::showOnlineDatabaseHelp()
{
    showHelpAnchor(QStringLiteral("helpTopic39"));
}

void PreferencesController::showHelpAnchor(const QString& anchor)
{
    if (!m_helpWindow) {
        m_helpWindow = new QTextBrowser;
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_helpWindow->setWindowTitle(tr("Kitchora Help"));
        m_helpWindow->setOpenExternalLinks(true);
        m_helpWindow->resize(640, 560);
    }
    QUrl page(QStringLiteral("qrc:/help/index.html"));
    page.setFragment(anchor);
    m_helpWindow->setSource(page);
    m_helpWindow->show();
    m_helpWindow->raise();
}

// --- Have-it list ---

QList<ManagedObject*> PreferencesController::haveItIngredients() const
{
    return m_haveIt;
}

void PreferencesController::reloadHaveItList(ManagedObject* selected)
{
    if (!m_haveItTable)
        return;
    m_haveIt = HaveItList::haveItIngredients(m_controller.managedObjectContext());
    m_haveItTable->clear();
    for (ManagedObject* ingredient : std::as_const(m_haveIt))
        m_haveItTable->addItem(ingredient->valueForKey(QStringLiteral("name")).toString());
    const qsizetype row = m_haveIt.indexOf(selected);
    if (row >= 0) {
        m_haveItTable->setCurrentRow(int(row));
        m_haveItTable->scrollToItem(m_haveItTable->item(int(row)));
    }
}

ManagedObject* PreferencesController::askForIngredient(bool markHaveIt)
{
    for (;;) {
        const std::optional<QString> name
            = m_presenter.runAddIngredientSheet(&KitchoraController::completionForPartialString);
        if (!name)
            return nullptr;
        if (ManagedObject* ingredient
            = HaveItList::addIngredient(*name, m_controller.managedObjectContext(), markHaveIt))
            return ingredient;
        // An empty name is refused and the sheet asks again.
        m_presenter.beep();
    }
}

void PreferencesController::startAddHaveIt()
{
    if (ManagedObject* ingredient = askForIngredient(true))
        reloadHaveItList(ingredient);
}

void PreferencesController::startAddIngredient()
{
    if (ManagedObject* ingredient = askForIngredient(false)) {
        if (m_substitutions)
            m_substitutions->reloadIngredients(ingredient);
    }
}

void PreferencesController::removeIngredientHaveIt(ManagedObject* ingredient)
{
    HaveItList::removeIngredientHaveIt(ingredient, m_controller.managedObjectContext());
    reloadHaveItList();
}

// --- User name ---

void PreferencesController::editUsername()
{
    const QString starting = UsernameEditor::currentUsername();
    const Presenter::UsernameSheetAnswer answer = m_presenter.runEditUsernameSheet(starting);
    if (answer.returnCode == Presenter::kSheetLostUsername) {
        lostUsername();
        return;
    }
    m_usernameEditor->didEndEditSheet(answer.returnCode, starting, answer.name);
    refreshGeneralPane();
}

void PreferencesController::lostUsername()
{
    if (m_usernameProgress)
        m_usernameProgress->hide();
    m_presenter.runAlert(tr("Username Retrieval") + QStringLiteral("\n\n")
            + QStringLiteral("%1 %2.").arg(
                tr("To retreive your username, email us at"), supportEmailAddress()),
        { tr("OK") });
}

void PreferencesController::showConnectionAlert()
{
    m_presenter.runAlert(tr("Unable to establish a connection to the server.") + QStringLiteral("\n\n")
            + QStringLiteral("%1 %2.").arg(
                tr("Please try again later.  For further assistance contact us at"), supportEmailAddress()),
        { tr("OK") });
}

void PreferencesController::beginFirstSubmitUsernameSheet(ManagedObject* recipe)
{
    const Presenter::UsernameSheetAnswer answer = m_presenter.runFirstSubmitUsernameSheet();
    if (answer.returnCode == Presenter::kSheetNeverShare) {
        if (recipe)
            UserDefaults::standardUserDefaults().setBool(false, KRAutoShareRecipes);
        return;
    }
    if (answer.returnCode != Presenter::kSheetSave)
        return;
    const QString name = answer.name.trimmed();
    if (name.isEmpty()) {
        // The service takes no empty name: nothing is created and nothing shared.
        m_presenter.beep();
        return;
    }
    UserDefaults::standardUserDefaults().setObject(name, KROnlineUsername);
    const ManagedObjectID recipeID = recipe ? recipe->objectID() : ManagedObjectID();
    QPointer<PreferencesController> self(this);
    m_usernameEditor->createUsername([self, recipeID](bool created) {
        if (!self || !created || recipeID.isNull())
            return;
        ManagedObjectContext* context = self->m_controller.managedObjectContext();
        ManagedObject* shared = context ? context->existingObjectWithID(recipeID) : nullptr;
        if (shared && !shared->isDeleted() && dynamic_cast<RecipeMO*>(shared))
            self->m_controller.cloudAccount().uploadRecipe(
                shared, shared->valueForKey(QStringLiteral("share")).toBool());
    });
    refreshGeneralPane();
}

// --- Units pane ---

QWidget* PreferencesController::makeUnitsPane()
{
    auto* pane = new QWidget;
    pane->setObjectName(kUnits);
    auto* layout = new QVBoxLayout(pane);
    layout->addWidget(new QLabel(tr("Units of measure Kitchora recognises:")));
    m_unitsTable = new QTableWidget(0, 3);
    m_unitsTable->setHorizontalHeaderLabels({ tr("Name"), tr("Abbreviations"), tr("System") });
    m_unitsTable->horizontalHeader()->setStretchLastSection(true);
    m_unitsTable->verticalHeader()->hide();
    m_unitsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_unitsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_unitsTable->setMinimumHeight(280);
    const QList<MeasurementUnitPtr>& units = UnitsEngine::defaultEngine().units();
    m_unitsTable->setRowCount(int(units.size()));
    for (int row = 0; row < units.size(); ++row) {
        const MeasurementUnit& unit = *units.at(row);
        const QString system = unit.system() == MeasurementUnit::SystemMetric ? tr("Metric")
            : unit.system() == MeasurementUnit::SystemUS                      ? tr("US")
                                                                              : QString();
        m_unitsTable->setItem(row, 0, new QTableWidgetItem(unit.name()));
        m_unitsTable->setItem(row, 1, new QTableWidgetItem(unit.abbreviations().join(QStringLiteral(", "))));
        m_unitsTable->setItem(row, 2, new QTableWidgetItem(system));
    }
    m_unitsTable->resizeColumnToContents(0);
    return pane;
}

// --- Sharing pane ---

QWidget* PreferencesController::makeSharingPane()
{
    auto* pane = new QWidget;
    pane->setObjectName(kSharing);
    auto* layout = new QVBoxLayout(pane);
    auto* title = new QLabel(tr("Share recipes and grocery lists with your other devices through a folder "
                                "that a sync client (Dropbox, Nextcloud, Syncthing…) keeps."));
    title->setWordWrap(true);
    layout->addWidget(title);
    auto* row = new QHBoxLayout;
    m_dropboxStatusLabel = new QLabel;
    row->addWidget(m_dropboxStatusLabel, 1);
    m_dropboxLinkButton = new QPushButton;
    connect(m_dropboxLinkButton, &QPushButton::clicked, this, [this] { linkUnlinkDropboxAction(); });
    row->addWidget(m_dropboxLinkButton);
    layout->addLayout(row);
    auto* hidden = new QPushButton(tr("Show Hidden Devices"));
    connect(hidden, &QPushButton::clicked, this, [this] { showHiddenDevices(); });
    auto* hiddenRow = new QHBoxLayout;
    hiddenRow->addWidget(hidden);
    hiddenRow->addStretch(1);
    layout->addLayout(hiddenRow);
    layout->addStretch(1);
    pane->setMinimumHeight(160);
    return pane;
}

void PreferencesController::updateDropboxViews()
{
    if (!m_dropboxLinkButton)
        return;
    const bool linked = m_controller.dropbox().isLinked();
    m_dropboxLinkButton->setText(linked ? tr("Stop Sharing") : tr("Choose Synced Folder…"));
    m_dropboxStatusLabel->setText(
        linked ? tr("Sharing through the synced folder") : tr("Not using a synced folder"));
}

void PreferencesController::linkUnlinkDropboxAction()
{
    DropboxService& dropbox = m_controller.dropbox();
    if (!dropbox.isLinked()) {
        // The state notification refreshes the views.
        dropbox.authenticate();
        return;
    }
    QPointer<PreferencesController> self(this);
    dropbox.deleteOwnFolderAndUnlink([self] {
        if (self)
            self->updateDropboxViews();
    });
}

void PreferencesController::showHiddenDevices()
{
    if (m_showHiddenDevices)
        m_showHiddenDevices();
}
