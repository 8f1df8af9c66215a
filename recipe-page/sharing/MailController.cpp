#include "MailController.h"

#include "Log.h"
#include "MailComposer.h"
#include "RecipeMO.h"

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
        MailComposer::composeMail(kSubject, body, std::move(failed), this);
}
