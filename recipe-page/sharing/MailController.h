#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class ManagedObject;

// Puts a recipe's text into a new message of the user's mail program: a mailto: address with the
// subject and body percent-encoded, handed to xdg-open as its one argument (or to the desktop
// through Qt when xdg-open is missing), never through a shell or a script text. (xdg-email is not
// used: it builds the address itself and loses backslash sequences of the body.) A mail program
// that cannot be started is reported to the user. Main thread only.
class MailController : public QObject
{
    Q_OBJECT

public:
    static inline const QString kSubject = QStringLiteral("Recipe from Kitchora");
    static inline const QString kWebAddress = QStringLiteral("www.kitchora.org");

    // Called with the reason when the mail program could not be started.
    using FailureHandler = std::function<void(const QString& reason)>;
    struct Outlets {
        // The plain text of the recipe page.
        std::function<QString()> recipePageText;
        // Shows a failure to the user: the message and the informative text.
        std::function<void(const QString& message, const QString& informative)> presentFailure;
        // Opens the mail program; empty: openMailProgram.
        std::function<void(const QString& subject, const QString& body, FailureHandler failed)> openMail;
    };

    explicit MailController(Outlets outlets, QObject* parent = nullptr);

    // Mails the recipe: its text when one is given (a menu item's recipe), else the recipe
    // page's text.
    void emailRecipe(ManagedObject* representedRecipe = nullptr);

    // The message body: double quotes become single quotes, object replacement characters (the
    // picture) go, and the signature ends it.
    static QString messageText(const QString& recipeText);
    // "mailto:?subject=...&body=..." with every character outside the unreserved set
    // percent-encoded as UTF-8.
    static QUrl mailtoURL(const QString& subject, const QString& body);
    // xdg-open with the mailto: address when it is on the PATH (its failure status is reported once
    // it ends), else the desktop's handler of the address.
    void openMailProgram(const QString& subject, const QString& body, FailureHandler failed);

private:
    Outlets m_outlets;
};
