#pragma once

#include "BlogCodeGenerator.h"
#include "BlogPostingService.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class GDataServiceGoogle;
class ManagedObject;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTextBrowser;

// The blog sheet: a step-by-step wizard over the main window that posts a recipe. The user picks
// the platform (Blogger, MarsEdit, or HTML to copy), signs in to the blog service, picks one of
// their blogs, previews (and may edit) the HTML template, and publishes. The HTML comes from
// BlogCodeGenerator; the template is the user's "blogtemplate.html" in the support folder, else
// the program's own. The password may be kept in the desktop keyring (AGKeychain).
//
// The blog service is reached through BlogPostingService at an address of the user's choosing
// (no public blog service answers its protocol today); MarsEdit has no counterpart on this desktop,
// so its choice is shown as not installed. Main thread only.
class BlogController : public QDialog
{
    Q_OBJECT

public:
    // The platform choices (the radio buttons' ids).
    enum Platform : qint64 { BloggerPlatform = 0, MarsEditPlatform = 1, HTMLPlatform = 15 };
    // What a step button does.
    enum class StepAction { NextStep, Publish };

    static inline const QString BlogPlatformTab = QStringLiteral("BlogPlatform");
    static inline const QString BlogAuthenticateTab = QStringLiteral("BlogAuthenticate");
    static inline const QString BlogSelectTab = QStringLiteral("BlogSelect");
    static inline const QString BlogPreviewTab = QStringLiteral("BlogPreview");
    static inline const QString BlogCopyTab = QStringLiteral("BlogCopy");

    // User defaults.
    static inline const QString bloggingPlatform = QStringLiteral("bloggingPlatform");
    static inline const QString blogUsername = QStringLiteral("blogUsername");
    static inline const QString saveBlogPassword = QStringLiteral("saveBlogPassword");
    static inline const QString editPreviewFlag = QStringLiteral("editPreviewFlag");
    // The blog service's address.
    static inline const QString blogServiceEndpoint = QStringLiteral("blogServiceEndpoint");

    static inline const QString kTemplateFileName = QStringLiteral("blogtemplate.html");
    static inline const QString kKeychainItemKind = QStringLiteral("Kitchora Blogger Password");
    // Appended to a user name without "@": the account provider's mail domain.
    static inline const QString kAccountMailDomain = QStringLiteral("gmail.com");
    // The base address relative links of the preview resolve against.
    static inline const QString kPreviewBaseURL = QStringLiteral("http://www.kitchora.org/");
    static inline const QString kAuthorName = QStringLiteral("Kitchora");

    struct Outlets {
        // The recipe page's current recipe.
        std::function<ManagedObject*()> currentRecipe;
        // Where the user's template lives.
        QString applicationSupportFolder;
        // Not owned; nullptr: the sheet's own client of the Blogger data protocol.
        BlogPostingService* service = nullptr;
        // Whether MarsEdit can take posts; empty: it cannot (it has no counterpart here).
        std::function<bool()> marsEditInstalled;
    };

    BlogController(Outlets outlets, QWidget* mainWindow);
    ~BlogController() override;

    // Opens the sheet for the recipe (nullptr: the recipe page's current recipe); nothing happens
    // without a recipe.
    void blog(ManagedObject* representedRecipe = nullptr);
    void showWindow() { blog(nullptr); }

    // The user-name rule: trimmed; without "@", the provider's mail domain is appended.
    static QString normalizedUsername(const QString& username);
    // "Blogger (<user name>)".
    static QString keychainItemName(const QString& username);

    void selectPlatform();
    void nextStep();
    void previousStep();
    void publish();
    void cancel();
    void resetWindow();
    void resetTemplate();
    void editingUpdate();
    // The HTML of the recipe through the current template; empty with `error` set when the
    // template cannot be used or there is no recipe.
    QString postContent(QString* error = nullptr);
    void lookupPassword();
    void login();
    void fetchBlogs();
    void updateUI();
    std::optional<BlogPostingService::Blog> selectedBlog() const;
    void addEntry();
    void sendToMarsEdit();

    QString currentTab() const;
    void selectTab(const QString& identifier);
    qint64 platform() const { return m_platform; }
    ManagedObject* currentRecipe() const { return m_currentRecipe; }
    StepAction actionOf(const QPushButton* button) const;
    bool isBloggerFetchPending() const { return m_fetchPending; }
    bool isPostPending() const { return m_postPending; }
    QSize originalWindowSize() const { return m_originalWindowSize; }

    // Outlets, for the program's wiring and for tests.
    QRadioButton* platformRadio(Platform platform) const;
    QCheckBox* editPreviewCheckbox() const { return m_editPreviewCheckbox; }
    QPushButton* platformNextButton() const { return m_platformNextButton; }
    QLineEdit* serviceField() const { return m_serviceField; }
    QLineEdit* usernameField() const { return m_usernameField; }
    QLineEdit* passwordField() const { return m_passwordField; }
    QCheckBox* savePasswordCheckbox() const { return m_savePasswordCheckbox; }
    QPushButton* authenticateNextButton() const { return m_authenticateNextButton; }
    QProgressBar* fetchProgressIndicator() const { return m_fetchProgressIndicator; }
    QProgressBar* fetchProgressIndicator2() const { return m_fetchProgressIndicator2; }
    QLabel* errorField() const { return m_errorField; }
    QLabel* errorField2() const { return m_errorField2; }
    QListWidget* blogsTableView() const { return m_blogsTableView; }
    QPushButton* selectBlogNextButton() const { return m_selectBlogNextButton; }
    QLineEdit* titleField() const { return m_titleField; }
    QPlainTextEdit* editingView() const { return m_editingView; }
    QTextBrowser* webView() const { return m_webView; }
    QProgressBar* publishProgressIndicator() const { return m_publishProgressIndicator; }
    QPushButton* publishButton() const { return m_publishButton; }
    QPlainTextEdit* copyView() const { return m_copyView; }

private:
    void buildPages();
    QWidget* buildPlatformPage();
    QWidget* buildAuthenticatePage();
    QWidget* buildSelectPage();
    QWidget* buildPreviewPage();
    QWidget* buildCopyPage();
    void setStep(QPushButton* button, const QString& title, StepAction action);
    void stepButtonClicked(QPushButton* button);
    void tabDidSelect(const QString& identifier);
    void didEndSheet();
    // The user's template, else the program's, else empty.
    QString loadTemplate() const;
    static QString bundleTemplate();
    QString userTemplatePath() const;
    BlogPostingService& service();
    void updateServiceEndpoint();
    QString fetchMessage() const;

    Outlets m_outlets;
    QWidget* m_mainWindow;
    std::unique_ptr<GDataServiceGoogle> m_ownService;
    BlogCodeGenerator m_generator;

    QStackedWidget* m_tabView = nullptr;
    QHash<QString, QWidget*> m_tabs;
    QButtonGroup* m_platformRadioField = nullptr;
    QCheckBox* m_editPreviewCheckbox = nullptr;
    QPushButton* m_platformNextButton = nullptr;
    QLineEdit* m_serviceField = nullptr;
    QLineEdit* m_usernameField = nullptr;
    QLineEdit* m_passwordField = nullptr;
    QCheckBox* m_savePasswordCheckbox = nullptr;
    QPushButton* m_authenticateNextButton = nullptr;
    QProgressBar* m_fetchProgressIndicator = nullptr;
    QProgressBar* m_fetchProgressIndicator2 = nullptr;
    QLabel* m_errorField = nullptr;
    QLabel* m_errorField2 = nullptr;
    QListWidget* m_blogsTableView = nullptr;
    QPushButton* m_selectBlogNextButton = nullptr;
    QLineEdit* m_titleField = nullptr;
    QLabel* m_titleLabel = nullptr;
    QPlainTextEdit* m_editingView = nullptr;
    QTextBrowser* m_webView = nullptr;
    QProgressBar* m_publishProgressIndicator = nullptr;
    QPushButton* m_publishButton = nullptr;
    QPlainTextEdit* m_copyView = nullptr;
    QHash<const QPushButton*, StepAction> m_stepActions;

    qint64 m_platform = BloggerPlatform;
    ManagedObject* m_currentRecipe = nullptr;
    QSize m_originalWindowSize;
    std::optional<QList<BlogPostingService::Blog>> m_blogsFeed;
    std::optional<BlogPostingService::Failure> m_bloggerFetchError;
    QString m_postError;
    bool m_fetchPending = false;
    bool m_postPending = false;
    bool m_nextStepLoginClicked = false;
    // Answers of superseded fetches and posts are dropped.
    quint64 m_fetchGeneration = 0;
    quint64 m_postGeneration = 0;
};
