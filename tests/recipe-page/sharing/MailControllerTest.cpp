// Mailing a recipe: the message text, which recipe is mailed, and that the whole text reaches the
// mail program as arguments, with a failure shown to the user.
#include "MailController.h"

#include "CardFixture.h"
#include "EventLoopWait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace
{

struct TextCase {
    const char* what;
    const char16_t* text;
    const char16_t* body;
};

TEST(MailControllerTextTest, MessageTextTable)
{
    const TextCase cases[] = {
        { "double quotes become single", u"Say \"cheese\"",
            u"Say 'cheese'\n\n Sent from Kitchora <www.kitchora.org>" },
        { "picture marks go", u"\uFFFCSoup\n\uFFFC", u"Soup\n\n\n Sent from Kitchora <www.kitchora.org>" },
        { "backslashes and single quotes stay", u"C:\\path\\n it's",
            u"C:\\path\\n it's\n\n Sent from Kitchora <www.kitchora.org>" },
        { "empty", u"", u"\n\n Sent from Kitchora <www.kitchora.org>" },
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(MailController::messageText(QString::fromUtf16(c.text)), QString::fromUtf16(c.body))
            << c.what;
}

class MailControllerTest : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        MailController::Outlets outlets;
        outlets.recipePageText = [this] { return pageText; };
        outlets.presentFailure = [this](const QString& message, const QString& informative) {
            failures.append(message + u'|' + informative);
        };
        outlets.openMail
            = [this](const QString& subject, const QString& body, MailController::FailureHandler failed) {
                  sent.append({ subject, body });
                  if (!refuse.isEmpty())
                      failed(refuse);
              };
        mail = std::make_unique<MailController>(std::move(outlets));
    }
    void TearDown() override
    {
        mail.reset();
        CardFixture::TearDown();
    }

    QString pageText = QStringLiteral("Page \"recipe\"");
    QString refuse;
    QList<std::pair<QString, QString>> sent;
    QStringList failures;
    std::unique_ptr<MailController> mail;
};

TEST_F(MailControllerTest, AMenuItemsRecipeWinsOverThePage)
{
    RecipeMO* pie = bareRecipe(QStringLiteral("Apple Pie"));
    mail->emailRecipe(pie);
    mail->emailRecipe();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].first, QStringLiteral("Recipe from Kitchora"));
    EXPECT_TRUE(sent[0].second.startsWith(pie->string().replace(u'"', u'\'').remove(QChar(0xFFFC))));
    EXPECT_TRUE(sent[0].second.contains(QStringLiteral("Apple Pie")));
    EXPECT_EQ(sent[1].second, QStringLiteral("Page 'recipe'\n\n Sent from Kitchora <www.kitchora.org>"));
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(MailControllerTest, AFailureIsShownToTheUser)
{
    refuse = QStringLiteral("no mail program");
    mail->emailRecipe();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Unable to Create a Mail Message|")));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("no mail program")));
}

// A stand-in xdg-open first on the PATH that writes its arguments, one per NUL, and ends with
// the status it is given.
class XdgOpenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousPath = qgetenv("PATH");
        install(0);
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + m_previousPath);
    }
    void TearDown() override { qputenv("PATH", m_previousPath); }

    void install(int status)
    {
        const QString script = m_bin.filePath(QStringLiteral("xdg-open"));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + QFile::encodeName(argumentsPath()) + "'\n"
            + (status ? "echo 'xdg-open: trying' >&2\necho 'xdg-open: no method available for opening "
                        "mailto' >&2\n"
                      : "")
            + "exit " + QByteArray::number(status) + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString argumentsPath() const { return m_bin.filePath(QStringLiteral("arguments")); }
    QStringList arguments() const
    {
        QFile file(argumentsPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList list;
        for (const QByteArray& part : file.readAll().split('\0'))
            list.append(QString::fromUtf8(part));
        list.removeLast();
        return list;
    }

    QTemporaryDir m_bin;
    QByteArray m_previousPath;
};

TEST_F(XdgOpenTest, TheWholeTextArrivesInTheOneArgument)
{
    const QString text
        = QStringLiteral("a \\ b \\c \\n 'q' \"dq\" $HOME `id` ; rm -rf x & y=1+2 #3 100%\nline 2 ü");
    QStringList failures;
    MailController mail({ [&text] { return text; },
        [&failures](const QString& message, const QString&) { failures.append(message); }, {} });
    mail.emailRecipe();
    ASSERT_TRUE(waitUntil([this] { return arguments().size() == 1; }));
    const QUrl address(arguments().at(0), QUrl::StrictMode);
    EXPECT_EQ(address.scheme(), QStringLiteral("mailto"));
    const QUrlQuery query(address);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
        QStringLiteral("Recipe from Kitchora"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
        QString(text).replace(u'"', u'\'') + QStringLiteral("\n\n Sent from Kitchora <www.kitchora.org>"));
    // Success shows nothing.
    EXPECT_FALSE(waitUntil([&] { return !failures.isEmpty(); }, 300));
}

TEST_F(XdgOpenTest, AFailingMailProgramIsReported)
{
    install(3);
    QStringList failures;
    MailController mail({ [] { return QStringLiteral("Soup"); },
        [&failures](const QString& message, const QString& informative) {
            failures.append(message + u'|' + informative);
        },
        {} });
    mail.emailRecipe();
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("no method available"))) << failures[0].toStdString();
}

} // namespace
