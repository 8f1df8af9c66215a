#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class ManagedObject;

// Puts a recipe's text into a new message of the user's mail program (MailComposer). A mail
// program that cannot be started is reported to the user. Main thread only.
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
        // Opens the mail program; empty: MailComposer::composeMail.
        std::function<void(const QString& subject, const QString& body, FailureHandler failed)> openMail;
    };

    explicit MailController(Outlets outlets, QObject* parent = nullptr);

    // Mails the recipe: its text when one is given (a menu item's recipe), else the recipe
    // page's text.
    void emailRecipe(ManagedObject* representedRecipe = nullptr);

    // The message body: double quotes become single quotes, object replacement characters (the
    // picture) go, and the signature ends it.
    static QString messageText(const QString& recipeText);

private:
    Outlets m_outlets;
};
