#include "MailComposer.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

QUrl MailComposer::mailtoURL(const QString& subject, const QString& body)
{
    QByteArray encoded
        = "mailto:?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QStringList MailComposer::xdgEmailArguments(const QString& subject, const QString& body)
{
    return { QStringLiteral("--utf8"), QStringLiteral("--subject"), subject, QStringLiteral("--body"), body };
}

bool MailComposer::composeMail(const QString& subject, const QString& body)
{
    const QString xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (!xdgEmail.isEmpty() && QProcess::startDetached(xdgEmail, xdgEmailArguments(subject, body)))
        return true;
    return QDesktopServices::openUrl(mailtoURL(subject, body));
}
