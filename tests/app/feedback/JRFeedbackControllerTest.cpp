#include "JRFeedbackController.h"

#include "EventLoopWait.h"
#include "JRSystemProfile.h"
#include "KitchoraController.h"
#include "RecordingPresenter.h"
#include "ScratchUserDefaults.h"
#include "WebServiceStub.h"
#include "postForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace
{

// The value of one text part of a multipart body.
QString partValue(const QByteArray& body, const QByteArray& name)
{
    const QByteArray head = "Content-Disposition: form-data; name=\"" + name + "\"\r\n";
    qsizetype start = body.indexOf(head);
    if (start < 0)
        return QStringLiteral("<missing>");
    start = body.indexOf("\r\n\r\n", start) + 4;
    const qsizetype end = body.indexOf("\r\n--", start);
    return QString::fromUtf8(body.mid(start, end - start));
}

TEST(postFormTest, BodyAndHeadersAreByteExact)
{
    const postForm::Request request = postForm::requestWithURLPostForm(QUrl("http://127.0.0.1/feedback"),
        { { "feedbackType", QStringLiteral("BUG") }, { "feedback", QStringLiteral("Crème\r\nbrûlée") },
            { "raw", QByteArray("\x00\x01", 2) } },
        "x-mime-boundary-B");
    const QByteArray expected = "\r\n--x-mime-boundary-B\r\n"
                                "Content-Disposition: form-data; name=\"feedbackType\"\r\n"
                                "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                                "BUG"
                                "\r\n--x-mime-boundary-B\r\n"
                                "Content-Disposition: form-data; name=\"feedback\"\r\n"
                                "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                                "Cr\xc3\xa8me\r\nbr\xc3\xbbl\xc3\xa9"
                                "e"
                                "\r\n--x-mime-boundary-B\r\n"
                                "Content-Disposition: form-data; name=\"raw\"\r\n"
                                "\r\n"
        + QByteArray("\x00\x01", 2) + "\r\n--x-mime-boundary-B--\r\n";
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.request.header(QNetworkRequest::ContentTypeHeader).toByteArray(),
        "multipart/form-data; boundary=x-mime-boundary-B");
    EXPECT_EQ(request.request.rawHeader("Content-Length"), QByteArray::number(expected.size()));
}

TEST(postFormTest, BoundariesNeedNoQuotesAndDiffer)
{
    const QString one = postForm::newBoundary();
    // RFC 2045 token characters that RFC 2046 also allows in a boundary: no ":", "/", "=" or "?".
    EXPECT_TRUE(QRegularExpression("^x-mime-boundary-[A-Za-z0-9-]{36}$").match(one).hasMatch())
        << one.toStdString();
    EXPECT_LE(one.size(), 70);
    EXPECT_NE(one, postForm::newBoundary());
}

TEST(JRFeedbackTemplateTest, TheTemplateIsCutAtTheSeparators)
{
    const struct {
        const char* text;
        std::array<QString, 3> sections;
    } cases[] = {
        { "bug\n\n--\n\nfeature\n\n--\n\nsupport", { "bug", "feature", "support" } },
        { "bug\n\n--\n\nfeature", { "bug", "feature", "" } },
        { "only", { "only", "", "" } },
        { "a\n\n--\n\nb\n\n--\n\nc\n\n--\n\nd", { "a", "b", "c\n\n--\n\nd" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(JRFeedbackController::sectionsOfTemplate(QString::fromUtf8(c.text)), c.sections) << c.text;
}

class JRFeedbackControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        stub.route("POST", "/feedback", WebServiceStub::Reply::text("thanks"));
        defaults.defaults().setObject(stub.baseURL().resolved(QUrl("feedback")).toString(), JRFeedbackURL);
    }

    void TearDown() override
    {
        if (JRFeedbackController* form = JRFeedbackController::sharedController())
            form->closeFeedback();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        stub.settle();
    }

    JRFeedbackController* openForm()
    {
        JRFeedbackController* form = JRFeedbackController::showFeedback(presenter);
        form->includeHardwareDetailsCheckbox()->setChecked(false);
        form->includeEmailAddressCheckbox()->setChecked(false);
        return form;
    }

    static bool closed() { return JRFeedbackController::sharedController() == nullptr; }

    ScratchUserDefaults defaults;
    RecordingPresenter presenter;
    WebServiceStub stub;
};

TEST_F(JRFeedbackControllerTest, SuppressedDetailsAreSentAndA2xxReplyClosesTheForm)
{
    JRFeedbackController* form = openForm();
    EXPECT_EQ(form->windowTitle(), KitchoraController::processName() + " Feedback");
    form->textView()->setPlainText("It crashed.");
    form->submitAction();
    ASSERT_TRUE(waitUntil(closed));
    ASSERT_EQ(stub.requests().size(), 1);
    const WebServiceStub::Request& request = stub.requests().first();
    EXPECT_EQ(request.path(), "/feedback");
    EXPECT_TRUE(request.header("Content-Type").startsWith("multipart/form-data; boundary=x-mime-boundary-"));
    EXPECT_EQ(partValue(request.body, "feedbackType"), "BUG");
    EXPECT_EQ(partValue(request.body, "feedback"), "It crashed.");
    EXPECT_EQ(partValue(request.body, "email"), "<email suppressed>");
    EXPECT_EQ(partValue(request.body, "systemProfile"), "<systemProfile suppressed>");
    EXPECT_EQ(partValue(request.body, "appName"), KitchoraController::processName());
    EXPECT_EQ(partValue(request.body, "bundleID"), JRFeedbackController::bundleIdentifier);
    EXPECT_TRUE(presenter.errors.isEmpty());
}

TEST_F(JRFeedbackControllerTest, AFailedReplyIsShownAndTheTextKept)
{
    for (const int status : { 500, 302, 404 }) {
        SCOPED_TRACE(status);
        stub.failNext(1, WebServiceStub::Reply::text("no", "text/plain", status));
        JRFeedbackController* form = openForm();
        form->textView()->setPlainText("Please add timers.");
        const int errors = int(presenter.errors.size());
        form->submitAction();
        EXPECT_TRUE(form->textView()->isReadOnly());
        ASSERT_TRUE(waitUntil([&] { return presenter.errors.size() > errors; }));
        EXPECT_FALSE(closed());
        EXPECT_EQ(form->textView()->toPlainText(), "Please add timers.");
        EXPECT_FALSE(form->textView()->isReadOnly());
        EXPECT_TRUE(form->submitButton()->isEnabled());
    }
    // Sent once the service answers.
    JRFeedbackController::sharedController()->submitAction();
    ASSERT_TRUE(waitUntil(closed));
}

TEST_F(JRFeedbackControllerTest, WithoutAnAddressNothingIsSentAndTheTextKept)
{
    defaults.defaults().setObject(QStringLiteral("file:///etc/passwd"), JRFeedbackURL);
    JRFeedbackController* form = openForm();
    form->textView()->setPlainText("Hello");
    form->submitAction();
    ASSERT_EQ(presenter.errors.size(), 1);
    EXPECT_TRUE(presenter.errors.first().localizedDescription.contains("JRFeedbackURL"));
    EXPECT_FALSE(closed());
    EXPECT_EQ(form->textView()->toPlainText(), "Hello");
    EXPECT_TRUE(stub.requests().isEmpty());
}

TEST_F(JRFeedbackControllerTest, EachKindKeepsItsTextAndSupportIncludesTheAddress)
{
    JRFeedbackController* form = openForm();
    form->textView()->setPlainText("bug text");
    form->sectionControl()->setCurrentIndex(JRFeedbackController::Feature);
    EXPECT_NE(form->textView()->toPlainText(), "bug text");
    form->textView()->setPlainText("feature text");
    form->sectionControl()->setCurrentIndex(JRFeedbackController::Support);
    EXPECT_TRUE(form->includeEmailAddressCheckbox()->isChecked());
    form->sectionControl()->setCurrentIndex(JRFeedbackController::Bug);
    EXPECT_EQ(form->textView()->toPlainText(), "bug text");
    form->sectionControl()->setCurrentIndex(JRFeedbackController::Feature);
    EXPECT_EQ(form->textView()->toPlainText(), "feature text");
    form->emailAddressComboBox()->setEditText("cook@example.org");
    const postForm::Fields fields = form->formFields("profile");
    EXPECT_EQ(fields.at(0).second.toString(), "FEATURE");
    EXPECT_EQ(fields.at(1).second.toString(), "feature text");
    EXPECT_EQ(fields.at(2).second.toString(), "cook@example.org");
}

TEST_F(JRFeedbackControllerTest, ALateReplyCannotCloseANewerForm)
{
    WebServiceStub::Reply held = WebServiceStub::Reply::text("thanks");
    held.hold = true;
    stub.route("POST", "/feedback", held);
    JRFeedbackController* first = openForm();
    first->submitAction();
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() == 1; }));
    first->cancelAction();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    JRFeedbackController* second = openForm();
    second->textView()->setPlainText("second");
    stub.releaseHeld();
    stub.settle();
    EXPECT_EQ(JRFeedbackController::sharedController(), second);
    EXPECT_EQ(second->textView()->toPlainText(), "second");
}

TEST_F(JRFeedbackControllerTest, TheSystemProfileIsReadAndSentWhenAllowed)
{
    JRFeedbackController* form = openForm();
    form->includeHardwareDetailsCheckbox()->setChecked(true);
    form->submitAction();
    ASSERT_TRUE(waitUntil(closed));
    ASSERT_EQ(stub.requests().size(), 1);
    const QString profile = partValue(stub.requests().first().body, "systemProfile");
    EXPECT_TRUE(profile.contains("Kernel: ")) << profile.toStdString();
    EXPECT_TRUE(profile.contains("uname: ")) << profile.toStdString();
}

} // namespace
