#pragma once

#include <QString>
#include <QUrl>

// Opens a new message in the user's mail program with a subject and a body and no recipient:
// through xdg-email when it is installed, else through a mailto: address handed to the desktop.
// The texts travel as program arguments or percent-encoded in the address, never through a shell.
class MailComposer
{
public:
    // "mailto:?subject=...&body=..." with every character outside the unreserved set
    // percent-encoded as UTF-8, so "&", "#" and line breaks stay part of the text.
    static QUrl mailtoURL(const QString& subject, const QString& body);
    // The arguments given to xdg-email.
    static QStringList xdgEmailArguments(const QString& subject, const QString& body);
    // False when no mail program could be started.
    static bool composeMail(const QString& subject, const QString& body);
};
