#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QObject;

// Opens a new message in the user's mail program with a subject and a body and no recipient: a
// mailto: address handed to xdg-open as its one argument (or to the desktop through Qt when
// xdg-open is missing), never through a shell. xdg-email is not used: it builds the address itself
// and loses the body's backslash sequences. Main thread only.
class MailComposer
{
public:
    // Called with the reason when the mail program could not be started.
    using FailureHandler = std::function<void(const QString& reason)>;

    // "mailto:?subject=...&body=..." with every character outside the unreserved set
    // percent-encoded as UTF-8, so "&", "#", "\" and line breaks stay part of the text.
    static QUrl mailtoURL(const QString& subject, const QString& body);
    // Starts the mail program; a failure, known only once xdg-open has ended, reaches `failed`
    // unless `context` is gone by then.
    static void composeMail(
        const QString& subject, const QString& body, FailureHandler failed, QObject* context);
};
