#include "MailComposer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>

QUrl MailComposer::mailtoURL(const QString& subject, const QString& body)
{
    const QByteArray encoded
        = "mailto:?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

void MailComposer::composeMail(
    const QString& subject, const QString& body, FailureHandler failed, QObject* context)
{
    const QUrl address = mailtoURL(subject, body);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        if (!QDesktopServices::openUrl(address))
            failed(QCoreApplication::translate("MailComposer", "no program opens mailto: addresses"));
        return;
    }
    auto* process = new QProcess(context);
    process->setProgram(xdgOpen);
    process->setArguments({ address.toString(QUrl::FullyEncoded) });
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(
        process, &QProcess::errorOccurred, context, [process, failed](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            failed(process->errorString());
            process->deleteLater();
        });
    QObject::connect(
        process, &QProcess::finished, context, [process, failed](int exitCode, QProcess::ExitStatus status) {
            const QString errors = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
            process->deleteLater();
            if (status != QProcess::NormalExit)
                failed(QCoreApplication::translate("MailComposer", "xdg-open stopped unexpectedly"));
            else if (exitCode != 0)
                failed(errors.isEmpty()
                        ? QCoreApplication::translate("MailComposer", "xdg-open ended with status %1")
                              .arg(exitCode)
                        : errors.section(u'\n', -1));
        });
    process->start();
}
