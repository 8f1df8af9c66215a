#include "BlogController.h"

#include "AGKeychain.h"
#include "GDataServiceGoogle.h"
#include "Log.h"
#include "ManagedObject.h"
#include "RecipeMO.h"
#include "UserDefaults.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace
{

QProgressBar* busyIndicator()
{
    auto* indicator = new QProgressBar;
    indicator->setRange(0, 0);
    indicator->setTextVisible(false);
    indicator->setMaximumWidth(120);
    indicator->hide();
    return indicator;
}

QLabel* errorLabel()
{
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00000;"));
    label->hide();
    return label;
}

QLabel* wrappedText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

UserDefaults& defaults()
{
    return UserDefaults::standardUserDefaults();
}

} // namespace

BlogController::BlogController(Outlets outlets, QWidget* mainWindow)
    : QDialog(mainWindow)
    , m_outlets(std::move(outlets))
    , m_mainWindow(mainWindow)
{
    setWindowTitle(tr("Blog Recipe"));
    setWindowModality(Qt::WindowModal);
    if (!m_outlets.service)
        m_ownService = std::make_unique<GDataServiceGoogle>();
    buildPages();
    resize(560, 420);

    // What awakeFromNib did: the template, the sheet's size, the last platform.
    m_editingView->setPlainText(loadTemplate());
    connect(m_editingView, &QPlainTextEdit::textChanged, this, [this] { editingUpdate(); });
    m_originalWindowSize = size();
    QAbstractButton* chosen = m_platformRadioField->button(int(defaults().integerForKey(bloggingPlatform)));
    (chosen ? chosen : m_platformRadioField->button(BloggerPlatform))->setChecked(true);
    selectPlatform();
    connect(this, &QDialog::finished, this, [this] { didEndSheet(); });
}

BlogController::~BlogController() = default;

// --- Building ---

void BlogController::buildPages()
{
    m_tabView = new QStackedWidget;
    const std::pair<QString, QWidget*> pages[] = {
        { BlogPlatformTab, buildPlatformPage() },
        { BlogAuthenticateTab, buildAuthenticatePage() },
        { BlogSelectTab, buildSelectPage() },
        { BlogPreviewTab, buildPreviewPage() },
        { BlogCopyTab, buildCopyPage() },
    };
    for (const auto& [identifier, page] : pages) {
        page->setObjectName(identifier);
        m_tabs.insert(identifier, page);
        m_tabView->addWidget(page);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabView);
}

void BlogController::setStep(QPushButton* button, const QString& title, StepAction action)
{
    button->setText(title);
    m_stepActions.insert(button, action);
}

BlogController::StepAction BlogController::actionOf(const QPushButton* button) const
{
    return m_stepActions.value(button, StepAction::NextStep);
}

void BlogController::stepButtonClicked(QPushButton* button)
{
    if (actionOf(button) == StepAction::Publish)
        publish();
    else
        nextStep();
}

// A row of buttons: Cancel at the left, the others at the right.
static QHBoxLayout* buttonRow(QDialog* sheet, std::initializer_list<QWidget*> right)
{
    auto* row = new QHBoxLayout;
    auto* cancel = new QPushButton(QDialog::tr("Cancel"));
    QObject::connect(cancel, &QPushButton::clicked, sheet, &QDialog::reject);
    row->addWidget(cancel);
    row->addStretch(1);
    for (QWidget* widget : right)
        row->addWidget(widget);
    return row;
}

QWidget* BlogController::buildPlatformPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedText(tr("Where would you like to post this recipe?")));
    m_platformRadioField = new QButtonGroup(page);
    const std::pair<Platform, QString> choices[] = {
        { BloggerPlatform, tr("Blogger") },
        { MarsEditPlatform, tr("MarsEdit") },
        { HTMLPlatform, tr("HTML to copy into any blog") },
    };
    for (const auto& [tag, title] : choices) {
        auto* radio = new QRadioButton(title);
        m_platformRadioField->addButton(radio, int(tag));
        layout->addWidget(radio);
    }
    connect(m_platformRadioField, &QButtonGroup::idClicked, this, [this](int id) {
        defaults().setInteger(id, bloggingPlatform);
        selectPlatform();
    });
    m_editPreviewCheckbox = new QCheckBox(tr("Preview and edit the template before publishing"));
    m_editPreviewCheckbox->setChecked(defaults().integerForKey(editPreviewFlag) != 0);
    connect(m_editPreviewCheckbox, &QCheckBox::toggled, this, [this](bool checked) {
        defaults().setInteger(checked ? 1 : 0, editPreviewFlag);
        selectPlatform();
    });
    layout->addSpacing(12);
    layout->addWidget(m_editPreviewCheckbox);
    layout->addStretch(1);
    m_platformNextButton = new QPushButton;
    m_platformNextButton->setDefault(true);
    setStep(m_platformNextButton, tr("Next"), StepAction::NextStep);
    connect(m_platformNextButton, &QPushButton::clicked, this,
        [this] { stepButtonClicked(m_platformNextButton); });
    layout->addLayout(buttonRow(this, { m_platformNextButton }));
    return page;
}

QWidget* BlogController::buildAuthenticatePage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedText(tr(
        "Kitchora posts with the Blogger data protocol (sign-in by account, Atom feeds). Blogger no longer "
        "offers it, and no public blog service answers it today: enter the address of a server that does, "
        "or go back and choose HTML to copy into any blog.")));
    auto* form = new QFormLayout;
    m_serviceField = new QLineEdit(defaults().stringForKey(blogServiceEndpoint));
    m_serviceField->setPlaceholderText(QStringLiteral("https://blog.example.org"));
    connect(m_serviceField, &QLineEdit::editingFinished, this, [this] {
        defaults().setObject(m_serviceField->text().trimmed(), blogServiceEndpoint);
        updateServiceEndpoint();
    });
    form->addRow(tr("Service address:"), m_serviceField);
    m_usernameField = new QLineEdit(defaults().stringForKey(blogUsername));
    connect(m_usernameField, &QLineEdit::editingFinished, this, [this] { lookupPassword(); });
    form->addRow(tr("User name:"), m_usernameField);
    m_passwordField = new QLineEdit;
    m_passwordField->setEchoMode(QLineEdit::Password);
    connect(m_passwordField, &QLineEdit::returnPressed, this, [this] { login(); });
    form->addRow(tr("Password:"), m_passwordField);
    m_savePasswordCheckbox = new QCheckBox(tr("Remember the password in my keyring"));
    m_savePasswordCheckbox->setChecked(defaults().boolForKey(saveBlogPassword));
    connect(m_savePasswordCheckbox, &QCheckBox::toggled, this,
        [](bool checked) { defaults().setBool(checked, saveBlogPassword); });
    form->addRow(QString(), m_savePasswordCheckbox);
    layout->addLayout(form);
    m_errorField = errorLabel();
    layout->addWidget(m_errorField);
    layout->addStretch(1);
    m_fetchProgressIndicator = busyIndicator();
    m_authenticateNextButton = new QPushButton;
    m_authenticateNextButton->setDefault(true);
    setStep(m_authenticateNextButton, tr("Next"), StepAction::NextStep);
    connect(m_authenticateNextButton, &QPushButton::clicked, this,
        [this] { stepButtonClicked(m_authenticateNextButton); });
    layout->addLayout(buttonRow(this, { m_fetchProgressIndicator, m_authenticateNextButton }));
    return page;
}

QWidget* BlogController::buildSelectPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedText(tr("Choose the blog to post to:")));
    m_blogsTableView = new QListWidget;
    connect(m_blogsTableView, &QListWidget::currentRowChanged, this, [this] { updateUI(); });
    layout->addWidget(m_blogsTableView, 1);
    m_errorField2 = errorLabel();
    layout->addWidget(m_errorField2);
    m_fetchProgressIndicator2 = busyIndicator();
    auto* refresh = new QPushButton(tr("Refresh"));
    connect(refresh, &QPushButton::clicked, this, [this] { fetchBlogs(); });
    m_selectBlogNextButton = new QPushButton;
    m_selectBlogNextButton->setDefault(true);
    setStep(m_selectBlogNextButton, tr("Next"), StepAction::NextStep);
    connect(m_selectBlogNextButton, &QPushButton::clicked, this,
        [this] { stepButtonClicked(m_selectBlogNextButton); });
    layout->addLayout(buttonRow(this, { m_fetchProgressIndicator2, refresh, m_selectBlogNextButton }));
    return page;
}

QWidget* BlogController::buildPreviewPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* titleRow = new QHBoxLayout;
    m_titleLabel = new QLabel(tr("Post title:"));
    m_titleField = new QLineEdit;
    titleRow->addWidget(m_titleLabel);
    titleRow->addWidget(m_titleField, 1);
    layout->addLayout(titleRow);
    auto* splitter = new QSplitter(Qt::Vertical);
    m_webView = new QTextBrowser;
    m_webView->setOpenLinks(false);
    splitter->addWidget(m_webView);
    auto* templateBox = new QWidget;
    auto* templateLayout = new QVBoxLayout(templateBox);
    templateLayout->setContentsMargins(0, 0, 0, 0);
    templateLayout->addWidget(
        wrappedText(tr("Template (tags: [[Title]], [[Description]], [[Image]], [[From]], "
                       "[[Time]], [[Yield]], [[Category]], [[Cuisine]], [[Rating]]; lines "
                       "repeated per item: [[%Ingredients%]], [[%Directions%]], [[%Notes%]])")));
    m_editingView = new QPlainTextEdit;
    m_editingView->setLineWrapMode(QPlainTextEdit::NoWrap);
    templateLayout->addWidget(m_editingView, 1);
    splitter->addWidget(templateBox);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);
    auto* back = new QPushButton(tr("Back"));
    connect(back, &QPushButton::clicked, this, [this] { previousStep(); });
    auto* reset = new QPushButton(tr("Use Original Template"));
    connect(reset, &QPushButton::clicked, this, [this] { resetTemplate(); });
    m_publishProgressIndicator = busyIndicator();
    m_publishButton = new QPushButton;
    m_publishButton->setDefault(true);
    setStep(m_publishButton, tr("Publish"), StepAction::Publish);
    connect(m_publishButton, &QPushButton::clicked, this, [this] { stepButtonClicked(m_publishButton); });
    layout->addLayout(buttonRow(this, { reset, m_publishProgressIndicator, back, m_publishButton }));
    return page;
}

QWidget* BlogController::buildCopyPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedText(tr("Copy this HTML and paste it into your blog's editor:")));
    m_copyView = new QPlainTextEdit;
    m_copyView->setReadOnly(true);
    layout->addWidget(m_copyView, 1);
    auto* back = new QPushButton(tr("Back"));
    connect(back, &QPushButton::clicked, this, [this] { previousStep(); });
    auto* done = new QPushButton(tr("Done"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, [this] { publish(); });
    layout->addLayout(buttonRow(this, { back, done }));
    return page;
}

QRadioButton* BlogController::platformRadio(Platform platform) const
{
    return qobject_cast<QRadioButton*>(m_platformRadioField->button(int(platform)));
}

// --- Opening and closing ---

void BlogController::blog(ManagedObject* representedRecipe)
{
    ManagedObject* recipe = representedRecipe;
    if (!recipe && m_outlets.currentRecipe)
        recipe = m_outlets.currentRecipe();
    if (!recipe)
        return;
    m_currentRecipe = recipe;
    m_titleField->setText(recipe->valueForKey(QStringLiteral("name")).toString());
    resetWindow();
    QRadioButton* marsEdit = platformRadio(MarsEditPlatform);
    if (m_outlets.marsEditInstalled && m_outlets.marsEditInstalled()) {
        marsEdit->setEnabled(true);
        marsEdit->setText(tr("MarsEdit"));
    } else {
        if (marsEdit->isChecked())
            platformRadio(BloggerPlatform)->setChecked(true);
        marsEdit->setEnabled(false);
        marsEdit->setText(tr("MarsEdit (not installed)"));
    }
    selectPlatform();
    open();
}

void BlogController::cancel()
{
    // Ending the sheet runs didEndSheet through finished().
    if (isVisible())
        reject();
    else
        didEndSheet();
}

void BlogController::didEndSheet()
{
    if (m_editPreviewCheckbox->isChecked()) {
        const QString path = userTemplatePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_editingView->toPlainText().toUtf8()) < 0
            || !file.commit())
            Log::logf(QStringLiteral("BlogController: the template could not be saved to %1: %2"), path,
                file.errorString());
    }
    m_currentRecipe = nullptr;
}

void BlogController::resetWindow()
{
    selectTab(BlogPlatformTab);
    m_editingView->setPlainText(loadTemplate());
    editingUpdate();
    m_nextStepLoginClicked = false;
    m_postError.clear();
    updateUI();
}

// --- Template and preview ---

QString BlogController::userTemplatePath() const
{
    return QDir(m_outlets.applicationSupportFolder).filePath(kTemplateFileName);
}

QString BlogController::bundleTemplate()
{
    QFile file(QStringLiteral(":/") + kTemplateFileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString BlogController::loadTemplate() const
{
    if (!m_outlets.applicationSupportFolder.isEmpty()) {
        QFile file(userTemplatePath());
        if (file.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(file.readAll());
            if (!text.isEmpty())
                return text;
        }
    }
    return bundleTemplate();
}

void BlogController::resetTemplate()
{
    m_editingView->setPlainText(bundleTemplate());
    editingUpdate();
}

QString BlogController::postContent(QString* error)
{
    if (!m_currentRecipe) {
        Log::log(QStringLiteral("BlogController: currentRecipe is nil"));
        if (error)
            *error = tr("There is no recipe to post.");
        return {};
    }
    QString problem;
    const std::optional<QString> code
        = m_generator.codeForRecipe(m_currentRecipe, m_editingView->toPlainText(), &problem);
    if (!code && error)
        *error = problem;
    return code.value_or(QString());
}

void BlogController::editingUpdate()
{
    QString error;
    const QString code = m_currentRecipe ? postContent(&error) : QString();
    m_webView->document()->setBaseUrl(QUrl(kPreviewBaseURL));
    if (!error.isEmpty())
        m_webView->setHtml(QStringLiteral("<p style=\"color: #b00000;\">%1</p>").arg(error.toHtmlEscaped()));
    else
        m_webView->setHtml(code);
}

// --- Steps ---

void BlogController::selectPlatform()
{
    m_platform = m_platformRadioField->checkedId() < 0 ? qint64(BloggerPlatform)
                                                       : qint64(m_platformRadioField->checkedId());
    const bool html = m_platform == HTMLPlatform;
    m_titleField->setHidden(html);
    m_titleLabel->setHidden(html);
    setStep(m_platformNextButton, tr("Next"), StepAction::NextStep);
    if (m_editPreviewCheckbox->isChecked()) {
        setStep(m_selectBlogNextButton, tr("Next"), StepAction::NextStep);
        if (html)
            setStep(m_publishButton, tr("Next"), StepAction::NextStep);
        else
            setStep(m_publishButton, tr("Publish"), StepAction::Publish);
    } else if (m_platform == MarsEditPlatform) {
        setStep(m_platformNextButton, tr("Publish"), StepAction::Publish);
    } else if (m_platform == BloggerPlatform) {
        setStep(m_selectBlogNextButton, tr("Publish"), StepAction::Publish);
    } else {
        setStep(m_publishButton, tr("Next"), StepAction::Publish);
    }
}

QString BlogController::currentTab() const
{
    QWidget* page = m_tabView->currentWidget();
    return page ? page->objectName() : QString();
}

void BlogController::selectTab(const QString& identifier)
{
    QWidget* page = m_tabs.value(identifier);
    if (!page)
        return;
    m_tabView->setCurrentWidget(page);
    tabDidSelect(identifier);
}

void BlogController::nextStep()
{
    const QString tab = currentTab();
    const bool editPreview = m_editPreviewCheckbox->isChecked();
    if (tab == BlogPlatformTab) {
        if (m_platform == BloggerPlatform)
            selectTab(BlogAuthenticateTab);
        else if (m_platform == MarsEditPlatform || editPreview)
            selectTab(BlogPreviewTab);
        else
            selectTab(BlogCopyTab);
    } else if (tab == BlogAuthenticateTab) {
        login();
        m_nextStepLoginClicked = true;
    } else if (tab == BlogSelectTab) {
        selectTab(BlogPreviewTab);
    } else if (tab == BlogPreviewTab) {
        selectTab(BlogCopyTab);
    }
}

void BlogController::previousStep()
{
    const QString tab = currentTab();
    if (tab == BlogPreviewTab)
        selectTab(m_platform == BloggerPlatform ? BlogSelectTab : BlogPlatformTab);
    else if (tab == BlogCopyTab)
        selectTab(m_editPreviewCheckbox->isChecked() ? BlogPreviewTab : BlogPlatformTab);
}

void BlogController::tabDidSelect(const QString& identifier)
{
    if (identifier == BlogCopyTab) {
        QString error;
        const QString code = postContent(&error);
        m_copyView->setPlainText(error.isEmpty() ? code : error);
        return;
    }
    if (identifier == BlogPreviewTab) {
        m_editingView->setReadOnly(defaults().integerForKey(editPreviewFlag) == 0);
        // As wide as the main window less 50, as tall, hanging from the main window's top as a
        // sheet does (a centred dialog kept at its own top would run off the screen).
        if (m_mainWindow) {
            const QRect main = m_mainWindow->geometry();
            const int frame = frameGeometry().height() - geometry().height();
            setGeometry(main.x() + 25, main.y(), qMax(main.width() - 50, minimumWidth()),
                qMax(main.height() - frame, minimumHeight()));
        }
        return;
    }
    if (identifier == BlogAuthenticateTab && defaults().boolForKey(saveBlogPassword))
        lookupPassword();
    if (size() != m_originalWindowSize) {
        resize(m_originalWindowSize);
        if (isVisible() && m_mainWindow) {
            const QRect main = m_mainWindow->geometry();
            move(main.x() + (main.width() - width()) / 2, geometry().top());
        }
    }
}

void BlogController::publish()
{
    if (m_platform == BloggerPlatform) {
        addEntry();
        return;
    }
    if (m_platform == MarsEditPlatform) {
        sendToMarsEdit();
        return;
    }
    // The HTML was taken to be posted by hand.
    if (auto* recipe = dynamic_cast<RecipeMO*>(m_currentRecipe))
        recipe->incrementCookCount();
    cancel();
}

void BlogController::sendToMarsEdit()
{
    // There is no MarsEdit on this desktop; its choice is disabled, so this is reached only when
    // a caller forces it.
    Log::log(QStringLiteral("BlogController: sendToMarsEdit: MarsEdit is not installed"));
    cancel();
}

// --- Signing in and the blogs ---

QString BlogController::normalizedUsername(const QString& username)
{
    const QString trimmed = username.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(u'@'))
        return trimmed;
    return trimmed + u'@' + kAccountMailDomain;
}

QString BlogController::keychainItemName(const QString& username)
{
    return QStringLiteral("Blogger (%1)").arg(username);
}

void BlogController::lookupPassword()
{
    const QString username = normalizedUsername(m_usernameField->text());
    m_usernameField->setText(username);
    defaults().setObject(username, blogUsername);
    if (username.isEmpty())
        return;
    const QString name = keychainItemName(username);
    if (!AGKeychain::checkForExistanceOfKeychainItem(name, kKeychainItemKind, username))
        return;
    if (const std::optional<QString> password
        = AGKeychain::getPasswordFromKeychainItem(name, kKeychainItemKind, username))
        m_passwordField->setText(*password);
}

void BlogController::login()
{
    const QString username = m_usernameField->text();
    const QString password = m_passwordField->text();
    if (m_savePasswordCheckbox->isChecked() && !username.isEmpty() && !password.isEmpty()) {
        const QString name = keychainItemName(username);
        if (AGKeychain::checkForExistanceOfKeychainItem(name, kKeychainItemKind, username)) {
            if (AGKeychain::getPasswordFromKeychainItem(name, kKeychainItemKind, username) != password)
                AGKeychain::modifyKeychainItem(name, kKeychainItemKind, username, password);
        } else {
            AGKeychain::addKeychainItem(name, kKeychainItemKind, username, password);
        }
    }
    fetchBlogs();
}

BlogPostingService& BlogController::service()
{
    return m_outlets.service ? *m_outlets.service : *m_ownService;
}

void BlogController::updateServiceEndpoint()
{
    service().setEndpoint(QUrl::fromUserInput(m_serviceField->text().trimmed()));
}

void BlogController::fetchBlogs()
{
    m_blogsFeed.reset();
    m_bloggerFetchError.reset();
    m_fetchPending = true;
    const quint64 generation = ++m_fetchGeneration;
    updateServiceEndpoint();
    service().setUserCredentials(m_usernameField->text(), m_passwordField->text());
    service().fetchBlogs(
        [this, generation](const QList<BlogPostingService::Blog>& blogs) {
            if (generation != m_fetchGeneration)
                return;
            m_blogsFeed = blogs;
            m_bloggerFetchError.reset();
            m_fetchPending = false;
            updateUI();
            if (m_nextStepLoginClicked && currentTab() == BlogAuthenticateTab)
                selectTab(BlogSelectTab);
            m_nextStepLoginClicked = false;
        },
        [this, generation](const BlogPostingService::Failure& failure) {
            if (generation != m_fetchGeneration)
                return;
            m_blogsFeed.reset();
            m_bloggerFetchError = failure;
            m_fetchPending = false;
            updateUI();
            m_nextStepLoginClicked = false;
        });
    updateUI();
}

std::optional<BlogPostingService::Blog> BlogController::selectedBlog() const
{
    const int row = m_blogsTableView->currentRow();
    if (!m_blogsFeed || row < 0 || row >= m_blogsFeed->size())
        return std::nullopt;
    return m_blogsFeed->at(row);
}

QString BlogController::fetchMessage() const
{
    if (m_bloggerFetchError) {
        if (m_bloggerFetchError->code == u"BadAuthentication")
            return tr("Invalid Username or Password.");
        if (m_bloggerFetchError->code == u"empty username/password")
            return tr("Empty Username or Password.");
        return m_bloggerFetchError->description;
    }
    if (!m_fetchPending && m_blogsFeed && m_blogsFeed->isEmpty() && !m_passwordField->text().isEmpty())
        return tr("No blogs available. (Authentication Successful)");
    return {};
}

void BlogController::updateUI()
{
    // The blogs table, keeping the selected row where it still exists.
    const int row = m_blogsTableView->currentRow();
    const QSignalBlocker blocker(m_blogsTableView);
    m_blogsTableView->clear();
    if (m_blogsFeed) {
        for (const BlogPostingService::Blog& blog : *m_blogsFeed)
            m_blogsTableView->addItem(blog.title);
        if (row >= 0 && row < m_blogsTableView->count())
            m_blogsTableView->setCurrentRow(row);
    }
    m_fetchProgressIndicator->setVisible(m_fetchPending);
    m_fetchProgressIndicator2->setVisible(m_fetchPending);

    QString message = fetchMessage();
    if (message.isEmpty() && !m_postError.isEmpty())
        message = tr("The post was not published: %1").arg(m_postError);
    for (QLabel* field : { m_errorField, m_errorField2 }) {
        field->setText(message);
        field->setToolTip(message);
        field->setVisible(!message.isEmpty());
    }
    m_publishButton->setEnabled(!m_postPending);
    m_publishProgressIndicator->setVisible(m_postPending);
    m_selectBlogNextButton->setEnabled(selectedBlog().has_value() && !m_postPending);
}

// --- Posting ---

void BlogController::addEntry()
{
    const std::optional<BlogPostingService::Blog> blog = selectedBlog();
    if (!blog || !blog->postURL.isValid() || blog->postURL.isEmpty())
        return;
    QString error;
    const QString content = postContent(&error);
    if (!error.isEmpty()) {
        m_postError = error;
        updateUI();
        return;
    }
    m_postPending = true;
    m_postError.clear();
    const quint64 generation = ++m_postGeneration;
    ManagedObject* recipe = m_currentRecipe;
    service().setUserCredentials(m_usernameField->text(), m_passwordField->text());
    service().insertEntry(
        { m_titleField->text(), content, kAuthorName }, blog->postURL,
        [this, generation, recipe] {
            if (generation != m_postGeneration)
                return;
            m_postPending = false;
            // Counted only for a post the service took, and while its sheet is still up.
            if (auto* cooked = dynamic_cast<RecipeMO*>(m_currentRecipe); cooked && m_currentRecipe == recipe)
                cooked->incrementCookCount();
            cancel();
            updateUI();
        },
        [this, generation](const BlogPostingService::Failure& failure) {
            if (generation != m_postGeneration)
                return;
            m_postPending = false;
            m_postError = failure.description.isEmpty() ? failure.code : failure.description;
            updateUI();
        });
    updateUI();
}
