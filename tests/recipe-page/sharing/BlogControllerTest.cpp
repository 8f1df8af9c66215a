// The blog sheet with a fake blog service and a fake keyring: its step buttons and tab moves, the
// sign-in messages, the password rules, publishing and what it counts, the template files.
#include "BlogController.h"

#include "AGKeychain.h"
#include "CardFixture.h"
#include "ImageMO.h"
#include "KeychainStore.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWidget>
#include <gtest/gtest.h>

namespace
{

class FakeBlogService : public BlogPostingService
{
public:
    void setEndpoint(const QUrl& url) override { endpoint = url; }
    void setUserCredentials(const QString& user, const QString& pass) override
    {
        username = user;
        password = pass;
    }
    void fetchBlogs(BlogsFinished finished, Failed failed) override
    {
        ++fetches;
        blogsFinished = std::move(finished);
        blogsFailed = std::move(failed);
    }
    void insertEntry(const Entry& entry, const QUrl& url, EntryFinished finished, Failed failed) override
    {
        entries.append(entry);
        postURLs.append(url);
        entryFinished = std::move(finished);
        entryFailed = std::move(failed);
    }

    QUrl endpoint;
    QString username;
    QString password;
    int fetches = 0;
    BlogsFinished blogsFinished;
    Failed blogsFailed;
    QList<Entry> entries;
    QList<QUrl> postURLs;
    EntryFinished entryFinished;
    Failed entryFailed;
};

class MemoryKeychain : public KeychainStore
{
public:
    bool find(const Attributes& a, std::optional<QString>* password, QString*) override
    {
        const auto found = items.constFind(a.account + u'|' + a.name + u'|' + a.kind);
        *password = found == items.constEnd() ? std::nullopt : std::optional<QString>(*found);
        return true;
    }
    bool store(const Attributes& a, const QString& password, QString*) override
    {
        ++stores;
        items.insert(a.account + u'|' + a.name + u'|' + a.kind, password);
        return true;
    }
    bool remove(const Attributes& a, QString*) override
    {
        items.remove(a.account + u'|' + a.name + u'|' + a.kind);
        return true;
    }
    QHash<QString, QString> items;
    int stores = 0;
};

using Action = BlogController::StepAction;

class BlogControllerTest : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        AGKeychain::setStore(&keychain);
        mainWindow.setGeometry(100, 100, 1000, 700);
        recipe = bareRecipe(QStringLiteral("Onion Soup"));
        addItem(recipe, QStringLiteral("Direction"), 1, QStringLiteral("Slice"));
    }
    void TearDown() override
    {
        sheet.reset();
        AGKeychain::setStore(nullptr);
        CardFixture::TearDown();
    }

    BlogController& makeSheet(bool marsEdit = false)
    {
        BlogController::Outlets outlets;
        outlets.currentRecipe = [this] { return currentRecipe; };
        outlets.applicationSupportFolder = support.path();
        outlets.service = &service;
        outlets.marsEditInstalled = [marsEdit] { return marsEdit; };
        sheet = std::make_unique<BlogController>(std::move(outlets), &mainWindow);
        return *sheet;
    }

    // A fresh sheet opened on the recipe with the platform and edit-preview choice.
    BlogController& openSheet(qint64 platform, bool editPreview)
    {
        defaults().setInteger(platform, BlogController::bloggingPlatform);
        defaults().setInteger(editPreview ? 1 : 0, BlogController::editPreviewFlag);
        BlogController& blog = makeSheet();
        blog.blog(recipe);
        return blog;
    }

    // Signs in and answers with the blogs.
    void signIn(BlogController& blog, const QList<BlogPostingService::Blog>& blogs)
    {
        blog.selectTab(BlogController::BlogAuthenticateTab);
        blog.usernameField()->setText(QStringLiteral("cook@gmail.com"));
        blog.passwordField()->setText(QStringLiteral("pw"));
        blog.nextStep();
        ASSERT_TRUE(service.blogsFinished);
        service.blogsFinished(blogs);
    }

    static UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    qint64 cookCount() const { return recipe->valueForKey(QStringLiteral("cookCount")).toLongLong(); }

    QWidget mainWindow;
    QTemporaryDir support;
    FakeBlogService service;
    MemoryKeychain keychain;
    RecipeMO* recipe = nullptr;
    ManagedObject* currentRecipe = nullptr;
    std::unique_ptr<BlogController> sheet;
    const QList<BlogPostingService::Blog> twoBlogs { { QStringLiteral("Soups"),
                                                         QUrl(QStringLiteral("http://b/1")) },
        { QStringLiteral("Cakes"), QUrl(QStringLiteral("http://b/2")) } };
};

struct ButtonCase {
    bool editPreview;
    qint64 platform;
    const char* platformNext; // "Next" or "Publish": title and action alike
    const char* selectNext;
    const char* publishTitle;
    Action publishAction;
};

TEST_F(BlogControllerTest, StepButtonTable)
{
    const ButtonCase cases[] = {
        { true, 0, "Next", "Next", "Publish", Action::Publish },
        { true, 1, "Next", "Next", "Publish", Action::Publish },
        { true, 15, "Next", "Next", "Next", Action::NextStep },
        { false, 1, "Publish", "Next", "Publish", Action::Publish },
        { false, 0, "Next", "Publish", "Publish", Action::Publish },
        { false, 15, "Next", "Next", "Next", Action::Publish },
    };
    auto actionFor = [](const char* title) {
        return QString::fromLatin1(title) == u"Publish" ? Action::Publish : Action::NextStep;
    };
    for (const ButtonCase& c : cases) {
        defaults().setInteger(c.platform, BlogController::bloggingPlatform);
        defaults().setInteger(c.editPreview ? 1 : 0, BlogController::editPreviewFlag);
        BlogController& blog = makeSheet(/*marsEdit*/ true);
        blog.selectPlatform();
        const std::string what = "platform " + std::to_string(c.platform) + (c.editPreview ? " edit" : "");
        EXPECT_EQ(blog.platform(), c.platform) << what;
        EXPECT_EQ(blog.platformNextButton()->text(), QString::fromLatin1(c.platformNext)) << what;
        EXPECT_EQ(blog.actionOf(blog.platformNextButton()), actionFor(c.platformNext)) << what;
        EXPECT_EQ(blog.selectBlogNextButton()->text(), QString::fromLatin1(c.selectNext)) << what;
        EXPECT_EQ(blog.actionOf(blog.selectBlogNextButton()), actionFor(c.selectNext)) << what;
        EXPECT_EQ(blog.publishButton()->text(), QString::fromLatin1(c.publishTitle)) << what;
        EXPECT_EQ(blog.actionOf(blog.publishButton()), c.publishAction) << what;
        EXPECT_EQ(blog.titleField()->isHidden(), c.platform == 15) << what;
    }
}

struct MoveCase {
    qint64 platform;
    bool editPreview;
    const char* from;
    const char* next; // the tab after nextStep ("" for no move)
    const char* previous; // the tab after previousStep
};

TEST_F(BlogControllerTest, TabMoveTable)
{
    const MoveCase cases[] = {
        { 0, false, "BlogPlatform", "BlogAuthenticate", "BlogPlatform" },
        { 15, true, "BlogPlatform", "BlogPreview", "BlogPlatform" },
        { 15, false, "BlogPlatform", "BlogCopy", "BlogPlatform" },
        { 0, false, "BlogSelect", "BlogPreview", "BlogSelect" },
        { 0, true, "BlogPreview", "BlogCopy", "BlogSelect" },
        { 15, true, "BlogPreview", "BlogCopy", "BlogPlatform" },
        { 15, true, "BlogCopy", "BlogCopy", "BlogPreview" },
        { 15, false, "BlogCopy", "BlogCopy", "BlogPlatform" },
    };
    for (const MoveCase& c : cases) {
        BlogController& blog = openSheet(c.platform, c.editPreview);
        const std::string what = std::string(c.from) + " platform " + std::to_string(c.platform);
        blog.selectTab(QString::fromLatin1(c.from));
        blog.nextStep();
        EXPECT_EQ(blog.currentTab(), QString::fromLatin1(c.next)) << what;
        blog.selectTab(QString::fromLatin1(c.from));
        blog.previousStep();
        EXPECT_EQ(blog.currentTab(), QString::fromLatin1(c.previous)) << what;
    }
}

TEST_F(BlogControllerTest, NextOnSignInFetchesAndMovesOnlyWhenTheBlogsArrive)
{
    BlogController& blog = openSheet(0, false);
    blog.selectTab(BlogController::BlogAuthenticateTab);
    blog.serviceField()->setText(QStringLiteral("http://blogs.example"));
    blog.usernameField()->setText(QStringLiteral("cook@gmail.com"));
    blog.passwordField()->setText(QStringLiteral("pw"));
    blog.nextStep();
    EXPECT_EQ(service.fetches, 1);
    EXPECT_EQ(service.username, QStringLiteral("cook@gmail.com"));
    EXPECT_EQ(service.password, QStringLiteral("pw"));
    EXPECT_EQ(service.endpoint, QUrl(QStringLiteral("http://blogs.example")));
    EXPECT_TRUE(blog.isBloggerFetchPending());
    EXPECT_FALSE(blog.fetchProgressIndicator()->isHidden());
    EXPECT_EQ(blog.currentTab(), BlogController::BlogAuthenticateTab);

    service.blogsFinished(twoBlogs);
    EXPECT_EQ(blog.currentTab(), BlogController::BlogSelectTab);
    EXPECT_TRUE(blog.fetchProgressIndicator()->isHidden());
    ASSERT_EQ(blog.blogsTableView()->count(), 2);
    EXPECT_EQ(blog.blogsTableView()->item(1)->text(), QStringLiteral("Cakes"));
    EXPECT_FALSE(blog.selectBlogNextButton()->isEnabled());
    blog.blogsTableView()->setCurrentRow(1);
    EXPECT_TRUE(blog.selectBlogNextButton()->isEnabled());
    EXPECT_EQ(blog.selectedBlog()->title, QStringLiteral("Cakes"));

    // A refresh from the select tab stays there.
    blog.fetchBlogs();
    service.blogsFinished(twoBlogs);
    EXPECT_EQ(blog.currentTab(), BlogController::BlogSelectTab);
}

struct MessageCase {
    const char* what;
    std::optional<BlogPostingService::Failure> failure;
    QList<BlogPostingService::Blog> blogs;
    const char* password;
    const char* message;
};

TEST_F(BlogControllerTest, SignInMessageTable)
{
    using F = BlogPostingService::Failure;
    const MessageCase cases[] = {
        { "refused", F { QStringLiteral("BadAuthentication"), QStringLiteral("x") }, {}, "pw",
            "Invalid Username or Password." },
        { "empty", F { QStringLiteral("empty username/password"), QStringLiteral("x") }, {}, "",
            "Empty Username or Password." },
        { "other", F { QString(), QStringLiteral("The blog service answered with status 500.") }, {}, "pw",
            "The blog service answered with status 500." },
        { "no blogs", std::nullopt, {}, "pw", "No blogs available. (Authentication Successful)" },
        { "blogs", std::nullopt, twoBlogs, "pw", "" },
    };
    for (const MessageCase& c : cases) {
        BlogController& blog = openSheet(0, false);
        blog.selectTab(BlogController::BlogAuthenticateTab);
        blog.passwordField()->setText(QString::fromLatin1(c.password));
        blog.nextStep();
        if (c.failure)
            service.blogsFailed(*c.failure);
        else
            service.blogsFinished(c.blogs);
        for (QLabel* field : { blog.errorField(), blog.errorField2() }) {
            EXPECT_EQ(field->text(), QString::fromLatin1(c.message)) << c.what;
            EXPECT_EQ(field->toolTip(), QString::fromLatin1(c.message)) << c.what;
            EXPECT_EQ(field->isHidden(), QString::fromLatin1(c.message).isEmpty()) << c.what;
        }
        // A failure keeps the sheet on the sign-in tab.
        EXPECT_EQ(blog.currentTab() == BlogController::BlogAuthenticateTab, c.failure.has_value()) << c.what;
    }
}

TEST_F(BlogControllerTest, AnAnswerToASupersededFetchIsDropped)
{
    BlogController& blog = openSheet(0, false);
    blog.fetchBlogs();
    const auto first = service.blogsFinished;
    blog.fetchBlogs();
    first(twoBlogs);
    EXPECT_TRUE(blog.isBloggerFetchPending());
    EXPECT_EQ(blog.blogsTableView()->count(), 0);
}

TEST_F(BlogControllerTest, UserNameRule)
{
    const std::pair<const char*, const char*> cases[] = {
        { "cook", "cook@gmail.com" },
        { "  cook\n", "cook@gmail.com" },
        { " cook@example.org ", "cook@example.org" },
        { "", "" },
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(BlogController::normalizedUsername(QString::fromLatin1(typed)), QString::fromLatin1(stored))
            << typed;
    EXPECT_EQ(BlogController::keychainItemName(QStringLiteral("cook@gmail.com")),
        QStringLiteral("Blogger (cook@gmail.com)"));
}

TEST_F(BlogControllerTest, TheKeyringFillsAndKeepsThePassword)
{
    BlogController& blog = openSheet(0, false);
    // Looking up stores the normalized name and fills the password from a matching item.
    AGKeychain::addKeychainItem(QStringLiteral("Blogger (cook@gmail.com)"), BlogController::kKeychainItemKind,
        QStringLiteral("cook@gmail.com"), QStringLiteral("kept"));
    blog.usernameField()->setText(QStringLiteral(" cook "));
    blog.lookupPassword();
    EXPECT_EQ(blog.usernameField()->text(), QStringLiteral("cook@gmail.com"));
    EXPECT_EQ(defaults().stringForKey(BlogController::blogUsername), QStringLiteral("cook@gmail.com"));
    EXPECT_EQ(blog.passwordField()->text(), QStringLiteral("kept"));

    // Signing in with saving on: an equal password is not written again, a new one replaces it.
    blog.savePasswordCheckbox()->setChecked(true);
    keychain.stores = 0;
    blog.login();
    EXPECT_EQ(keychain.stores, 0);
    blog.passwordField()->setText(QStringLiteral("changed"));
    blog.login();
    EXPECT_EQ(keychain.stores, 1);
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(QStringLiteral("Blogger (cook@gmail.com)"),
                  BlogController::kKeychainItemKind, QStringLiteral("cook@gmail.com")),
        QStringLiteral("changed"));

    // Saving off: nothing is written.
    blog.savePasswordCheckbox()->setChecked(false);
    blog.passwordField()->setText(QStringLiteral("third"));
    blog.login();
    EXPECT_EQ(keychain.stores, 1);
    EXPECT_EQ(service.fetches, 3);
}

TEST_F(BlogControllerTest, PublishingCountsACookOnlyForAPublishedPost)
{
    BlogController& blog = openSheet(0, true);
    ASSERT_TRUE(blog.isVisible());
    ASSERT_NO_FATAL_FAILURE(signIn(blog, twoBlogs));
    blog.blogsTableView()->setCurrentRow(0);
    blog.nextStep();
    ASSERT_EQ(blog.currentTab(), BlogController::BlogPreviewTab);
    blog.titleField()->setText(QStringLiteral("Tonight's soup"));
    blog.publish();
    ASSERT_EQ(service.entries.size(), 1);
    EXPECT_EQ(service.entries[0].title, QStringLiteral("Tonight's soup"));
    EXPECT_EQ(service.entries[0].authorName, QStringLiteral("Kitchora"));
    EXPECT_TRUE(service.entries[0].content.contains(QStringLiteral("Onion Soup")));
    EXPECT_TRUE(service.entries[0].content.contains(QStringLiteral("Slice")));
    EXPECT_EQ(service.postURLs[0], QUrl(QStringLiteral("http://b/1")));
    EXPECT_TRUE(blog.isPostPending());
    EXPECT_FALSE(blog.publishButton()->isEnabled());
    EXPECT_FALSE(blog.publishProgressIndicator()->isHidden());

    service.entryFailed({ QString(), QStringLiteral("The blog service answered with status 500.") });
    EXPECT_TRUE(blog.isVisible());
    EXPECT_TRUE(blog.publishButton()->isEnabled());
    EXPECT_TRUE(blog.errorField2()->text().contains(QStringLiteral("status 500")));
    EXPECT_EQ(cookCount(), 0);

    blog.publish();
    service.entryFinished();
    EXPECT_EQ(cookCount(), 1);
    EXPECT_FALSE(blog.isVisible());
    EXPECT_EQ(blog.currentRecipe(), nullptr);
}

TEST_F(BlogControllerTest, WithoutASelectedBlogNothingIsPosted)
{
    BlogController& blog = openSheet(0, false);
    ASSERT_NO_FATAL_FAILURE(signIn(blog, twoBlogs));
    blog.publish();
    EXPECT_TRUE(service.entries.isEmpty());
    EXPECT_TRUE(blog.isVisible());
}

TEST_F(BlogControllerTest, HtmlToCopyShowsThePostAndDoneCountsIt)
{
    BlogController& blog = openSheet(15, false);
    blog.nextStep();
    ASSERT_EQ(blog.currentTab(), BlogController::BlogCopyTab);
    EXPECT_TRUE(blog.copyView()->toPlainText().contains(
        QStringLiteral("<h2 style=\"margin-bottom: 0.2em;\">Onion Soup</h2>")));
    blog.publish();
    EXPECT_EQ(cookCount(), 1);
    EXPECT_FALSE(blog.isVisible());
    EXPECT_TRUE(service.entries.isEmpty());
}

TEST_F(BlogControllerTest, MarsEditIsOfferedOnlyWhenInstalled)
{
    defaults().setInteger(1, BlogController::bloggingPlatform);
    BlogController& blog = makeSheet(false);
    ASSERT_TRUE(blog.platformRadio(BlogController::MarsEditPlatform)->isChecked());
    blog.blog(recipe);
    EXPECT_TRUE(blog.platformRadio(BlogController::BloggerPlatform)->isChecked());
    EXPECT_EQ(blog.platform(), 0);
    EXPECT_FALSE(blog.platformRadio(BlogController::MarsEditPlatform)->isEnabled());
    EXPECT_EQ(blog.platformRadio(BlogController::MarsEditPlatform)->text(),
        QStringLiteral("MarsEdit (not installed)"));

    BlogController& installed = makeSheet(true);
    installed.blog(recipe);
    EXPECT_TRUE(installed.platformRadio(BlogController::MarsEditPlatform)->isEnabled());
    EXPECT_EQ(installed.platformRadio(BlogController::MarsEditPlatform)->text(), QStringLiteral("MarsEdit"));
}

TEST_F(BlogControllerTest, TheSheetIsForTheGivenRecipeElseThePagesAndNeverForNone)
{
    BlogController& blog = makeSheet();
    blog.blog(nullptr);
    EXPECT_FALSE(blog.isVisible());
    EXPECT_EQ(blog.currentRecipe(), nullptr);

    RecipeMO* other = bareRecipe(QStringLiteral("Pie"));
    currentRecipe = other;
    blog.blog(recipe);
    EXPECT_EQ(blog.currentRecipe(), recipe);
    EXPECT_EQ(blog.titleField()->text(), QStringLiteral("Onion Soup"));
    blog.cancel();
    blog.blog(nullptr);
    EXPECT_EQ(blog.currentRecipe(), other);
    EXPECT_TRUE(blog.isVisible());
}

TEST_F(BlogControllerTest, TheUsersTemplateIsReadAndTheEditedOneSavedWhenEditingIsOn)
{
    const QString path = QDir(support.path()).filePath(QStringLiteral("blogtemplate.html"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<h1>[[Title]]</h1>");
    }
    BlogController& blog = openSheet(15, true);
    EXPECT_EQ(blog.editingView()->toPlainText(), QStringLiteral("<h1>[[Title]]</h1>"));
    blog.selectTab(BlogController::BlogPreviewTab);
    EXPECT_FALSE(blog.editingView()->isReadOnly());
    EXPECT_EQ(blog.geometry().width(), mainWindow.geometry().width() - 50);
    EXPECT_EQ(blog.geometry().x(), mainWindow.geometry().x() + 25);
    EXPECT_EQ(blog.geometry().y(), mainWindow.geometry().y());
    blog.selectTab(BlogController::BlogPlatformTab);
    EXPECT_EQ(blog.size(), blog.originalWindowSize());

    // A group the recipe lacks shows its error in the preview instead of HTML.
    blog.editingView()->setPlainText(QStringLiteral("<li>[[%Steps%]]</li>"));
    EXPECT_TRUE(blog.webView()->toPlainText().contains(QStringLiteral("[[%Steps%]]")));
    blog.editingView()->setPlainText(QStringLiteral("<p>[[Title]] & more</p>"));
    EXPECT_TRUE(blog.webView()->toPlainText().contains(QStringLiteral("Onion Soup & more")));
    blog.cancel();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("<p>[[Title]] & more</p>"));

    // Editing off: the edits stay unsaved; an empty user file gives the program's template.
    BlogController& again = openSheet(15, false);
    again.editingView()->setPlainText(QString());
    again.cancel();
    EXPECT_EQ(QFile(path).size(), qint64(strlen("<p>[[Title]] & more</p>")));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    BlogController& fresh = openSheet(15, false);
    EXPECT_TRUE(fresh.editingView()->toPlainText().contains(QStringLiteral("[[%Directions%]]")));
    fresh.resetTemplate();
    EXPECT_TRUE(fresh.editingView()->toPlainText().contains(QStringLiteral("[[%Ingredients%]]")));
}

TEST_F(BlogControllerTest, ThePreviewShowsTheEmbeddedPicture)
{
    auto* image = dynamic_cast<ImageMO*>(insert(QStringLiteral("Image")));
    ASSERT_TRUE(image);
    recipe->setValueForKey(QVariant::fromValue<ManagedObject*>(image), QStringLiteral("image"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(image->setData(picture));
    BlogController& blog = openSheet(15, true);
    blog.editingView()->setPlainText(QStringLiteral("<p>[[Image]]</p>"));
    const QString html = blog.webView()->toHtml();
    const qsizetype start = html.indexOf(QStringLiteral("data:image/jpeg;base64,"));
    ASSERT_GE(start, 0);
    const QString source = html.mid(start, html.indexOf(u'"', start) - start);
    const QVariant loaded = blog.webView()->document()->resource(QTextDocument::ImageResource, QUrl(source));
    EXPECT_FALSE(loaded.value<QImage>().isNull() && loaded.value<QPixmap>().isNull()
        && loaded.toByteArray().isEmpty());
}

} // namespace
