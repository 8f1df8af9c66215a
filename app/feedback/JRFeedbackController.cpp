#include "JRFeedbackController.h"

#include "JRSystemProfile.h"
#include "KitchoraController.h"
#include "Log.h"
#include "Presenter.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>

QPointer<JRFeedbackController> JRFeedbackController::s_shared;

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("JRFeedbackController", english);
}

QString templateText()
{
    return localized("Describe the problem: what you did, what you expected to happen and what happened "
                     "instead.\n\n")
        + JRFeedbackController::separator
        + localized("Describe the feature you would like, and how it would help you.\n\n")
        + JRFeedbackController::separator + localized("Ask your question; we answer by e-mail.\n\n");
}

} // namespace

JRFeedbackController* JRFeedbackController::showFeedback(Presenter& presenter)
{
    if (!s_shared)
        s_shared = new JRFeedbackController(presenter);
    s_shared->show();
    s_shared->raise();
    s_shared->activateWindow();
    return s_shared;
}

JRFeedbackController* JRFeedbackController::sharedController()
{
    return s_shared;
}

QString JRFeedbackController::feedbackType(int section)
{
    static const std::array<QString, 3> names { QStringLiteral("BUG"), QStringLiteral("FEATURE"),
        QStringLiteral("SUPPORT") };
    return section >= 0 && section < 3 ? names[size_t(section)] : QString();
}

std::array<QString, 3> JRFeedbackController::sectionsOfTemplate(const QString& text)
{
    std::array<QString, 3> sections;
    const qsizetype first = text.indexOf(separator);
    if (first < 0) {
        sections[0] = text;
        return sections;
    }
    sections[0] = text.left(first);
    const qsizetype second = text.indexOf(separator, first + separator.size());
    if (second < 0) {
        sections[1] = text.mid(first + separator.size());
        return sections;
    }
    sections[1] = text.mid(first + separator.size(), second - first - separator.size());
    sections[2] = text.mid(second + separator.size());
    return sections;
}

JRFeedbackController::JRFeedbackController(Presenter& presenter, QWidget* parent)
    : QDialog(parent)
    , m_presenter(presenter)
{
    m_network = new QNetworkAccessManager(this);
    m_sectionControl = new QTabBar;
    m_sectionControl->addTab(tr("Bug Report"));
    m_sectionControl->addTab(tr("Feature Request"));
    m_sectionControl->addTab(tr("Support"));
    m_sectionControl->setExpanding(false);
    connect(m_sectionControl, &QTabBar::currentChanged, this, &JRFeedbackController::switchSectionAction);
    m_textView = new QTextEdit;
    m_textView->setAcceptRichText(false);
    m_includeHardwareDetailsCheckbox = new QCheckBox(tr("Include hardware and system details"));
    m_includeHardwareDetailsCheckbox->setChecked(true);
    m_includeEmailAddressCheckbox = new QCheckBox(tr("Include my e-mail address:"));
    m_emailAddressComboBox = new QComboBox;
    m_emailAddressComboBox->setEditable(true);
    m_emailAddressComboBox->setMinimumWidth(220);
    m_progress = new QProgressBar;
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(120);
    m_progress->hide();
    m_submitButton = new QPushButton(tr("Submit"));
    m_submitButton->setDefault(true);
    connect(m_submitButton, &QPushButton::clicked, this, &JRFeedbackController::submitAction);
    auto* cancel = new QPushButton(tr("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &JRFeedbackController::cancelAction);

    auto* email = new QHBoxLayout;
    email->addWidget(m_includeEmailAddressCheckbox);
    email->addWidget(m_emailAddressComboBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progress);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_submitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sectionControl, 0, Qt::AlignHCenter);
    layout->addWidget(m_textView, 1);
    layout->addWidget(m_includeHardwareDetailsCheckbox);
    layout->addLayout(email);
    layout->addLayout(buttons);
    resize(560, 420);
    windowDidLoad();
}

void JRFeedbackController::windowDidLoad()
{
    setWindowTitle(tr("%1 Feedback").arg(KitchoraController::processName()));
    const std::array<QString, 3> sections = sectionsOfTemplate(templateText());
    for (size_t i = 0; i < sections.size(); ++i)
        m_sectionStrings[i] = QTextDocumentFragment::fromPlainText(sections[i]);
    showSection(Bug);
    // The desktop keeps no card of the user's own; the conventional variable names the address.
    const QString address = qEnvironmentVariable("EMAIL").trimmed();
    if (!address.isEmpty()) {
        m_emailAddressComboBox->addItem(address);
        m_emailAddressComboBox->setCurrentIndex(0);
    } else {
        m_emailAddressComboBox->setCurrentIndex(-1);
    }
}

void JRFeedbackController::showSection(int section)
{
    m_textView->clear();
    QTextCursor cursor(m_textView->document());
    cursor.insertFragment(m_sectionStrings[size_t(section)]);
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::Down);
    m_textView->setTextCursor(cursor);
}

void JRFeedbackController::storeCurrentSection()
{
    m_sectionStrings[size_t(m_currentSection)] = QTextDocumentFragment(m_textView->document());
}

void JRFeedbackController::switchSectionAction(int section)
{
    if (section < 0 || section > Support || section == m_currentSection)
        return;
    storeCurrentSection();
    m_currentSection = section;
    if (m_sectionControl->currentIndex() != section)
        m_sectionControl->setCurrentIndex(section);
    showSection(section);
    if (section == Support)
        m_includeEmailAddressCheckbox->setChecked(true);
}

void JRFeedbackController::submitAction()
{
    if (m_sending)
        return;
    storeCurrentSection();
    m_sending = true;
    m_textView->setReadOnly(true);
    m_submitButton->setEnabled(false);
    m_progress->show();
    if (!m_includeHardwareDetailsCheckbox->isChecked()) {
        postFeedback(QStringLiteral("<systemProfile suppressed>"));
        return;
    }
    // Reading the profile touches files: off the main thread, and back to it with the text.
    QPointer<JRFeedbackController> self(this);
    QThread* thread = QThread::create([self] {
        const QString profile = JRSystemProfile::systemProfile();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, profile] {
                if (self && self->m_sending && !self->m_reply)
                    self->postFeedback(profile);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void JRFeedbackController::cancelAction()
{
    closeFeedback();
}

QUrl JRFeedbackController::feedbackURL()
{
    QString address = UserDefaults::standardUserDefaults().stringForKey(JRFeedbackURL);
    if (address.trimmed().isEmpty())
        address = KitchoraController::infoValueForKey(JRFeedbackURL).toString();
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}

postForm::Fields JRFeedbackController::formFields(const QString& systemProfile) const
{
    const QString email = m_includeEmailAddressCheckbox->isChecked() ? m_emailAddressComboBox->currentText()
                                                                     : QStringLiteral("<email suppressed>");
    return {
        { QStringLiteral("feedbackType"), feedbackType(m_currentSection) },
        { QStringLiteral("feedback"), m_sectionStrings[size_t(m_currentSection)].toPlainText() },
        { QStringLiteral("email"), email },
        { QStringLiteral("appName"), KitchoraController::processName() },
        { QStringLiteral("bundleID"), bundleIdentifier },
        { QStringLiteral("version"), KitchoraController::buildVersion() },
        { QStringLiteral("systemProfile"), systemProfile },
    };
}

void JRFeedbackController::postFeedback(const QString& systemProfile)
{
    const QUrl url = feedbackURL();
    if (url.isEmpty()) {
        finishSending(false,
            localized("No address to send feedback to is set up (the setting \"JRFeedbackURL\"), so nothing "
                      "was sent. Your text is kept."));
        return;
    }
    const postForm::Request request = postForm::requestWithURLPostForm(url, formFields(systemProfile));
    QNetworkReply* reply = m_network->post(request.request, request.body);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
}

void JRFeedbackController::replyFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    // A reply to an earlier attempt decides nothing.
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
        finishSending(true, QString());
        return;
    }
    const QString reason = reply->error() != QNetworkReply::NoError ? reply->errorString()
                                                                    : QStringLiteral("HTTP %1").arg(status);
    Log::logf(QStringLiteral("-[JRFeedback connection:didFailWithError:%1]"), reason);
    finishSending(false,
        localized("Your feedback could not be sent (%1). Your text is kept; please try again later.")
            .arg(reason));
}

void JRFeedbackController::finishSending(bool sent, const QString& problem)
{
    m_sending = false;
    if (sent) {
        closeFeedback();
        return;
    }
    m_textView->setReadOnly(false);
    m_submitButton->setEnabled(true);
    m_progress->hide();
    Error error;
    error.domain = QStringLiteral("JRFeedbackController");
    error.code = 1;
    error.localizedDescription = problem;
    m_presenter.presentError(error);
}

void JRFeedbackController::closeFeedback()
{
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->abort();
    }
    m_sending = false;
    hide();
    if (s_shared == this)
        s_shared = nullptr;
    deleteLater();
}

void JRFeedbackController::reject()
{
    closeFeedback();
}

void JRFeedbackController::closeEvent(QCloseEvent* event)
{
    event->accept();
    closeFeedback();
}
