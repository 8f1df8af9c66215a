#include "MailController.h"

#include "Log.h"
#include "RecipeMO.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

MailController::MailController(Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_outlets(std::move(outlets))
{
}

QString MailController::messageText(const QString& recipeText)
{
    QString text = recipeText;
    text.replace(u'"', u'\'');
    text.remove(QChar(0xFFFC));
    text += QStringLiteral("\n\n Sent from Kitchora <%1>").arg(kWebAddress);
    return text;
}

QUrl MailController::mailtoURL(const QString& subject, const QString& body)
{
    const QByteArray encoded
        = "mailto:?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

void MailController::emailRecipe(ManagedObject* representedRecipe)
{
    QString text;
    if (auto* recipe = dynamic_cast<RecipeMO*>(representedRecipe))
        text = recipe->string();
    else if (m_outlets.recipePageText)
        text = m_outlets.recipePageText();
    const QString body = messageText(text);
    FailureHandler failed = [this](const QString& reason) {
        Log::logf(QStringLiteral("email: the mail program could not be opened: %1"), reason);
        if (m_outlets.presentFailure)
            m_outlets.presentFailure(tr("Unable to Create a Mail Message"),
                tr("Kitchora could not open your mail program (%1). Check that a mail program is set up "
                   "as the desktop's default.")
                    .arg(reason));
    };
    if (m_outlets.openMail)
        m_outlets.openMail(kSubject, body, std::move(failed));
    else
        openMailProgram(kSubject, body, std::move(failed));
}

void MailController::openMailProgram(const QString& subject, const QString& body, FailureHandler failed)
{
    const QUrl address = mailtoURL(subject, body);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        if (!QDesktopServices::openUrl(address))
            failed(tr("no program opens mailto: addresses"));
        return;
    }
    auto* process = new QProcess(this);
    process->setProgram(xdgOpen);
    process->setArguments({ address.toString(QUrl::FullyEncoded) });
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::errorOccurred, this, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        failed(process->errorString());
        process->deleteLater();
    });
    connect(process, &QProcess::finished, this, [process, failed](int exitCode, QProcess::ExitStatus status) {
        const QString errors = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
        process->deleteLater();
        if (status != QProcess::NormalExit)
            failed(tr("xdg-open stopped unexpectedly"));
        else if (exitCode != 0)
            failed(errors.isEmpty() ? tr("xdg-open ended with status %1").arg(exitCode)
                                    : errors.section(u'\n', -1));
    });
    process->start();
}
