#include "UsernameEditor.h"

#include "KitchoraController.h"
#include "Log.h"
#include "UserDefaults.h"

namespace
{

const QString kURLErrorDomain = QStringLiteral("NSURLErrorDomain");

void storeUsername(const QString& name)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(name, KROnlineUsername);
    defaults.synchronize();
}

} // namespace

UsernameEditor::UsernameEditor(CloudAccountService& cloud, Hooks hooks)
    : m_cloud(cloud)
    , m_hooks(std::move(hooks))
{
}

UsernameEditor::~UsernameEditor()
{
    *m_alive = false;
}

QString UsernameEditor::currentUsername()
{
    return UserDefaults::standardUserDefaults().stringForKey(KROnlineUsername);
}

void UsernameEditor::setProgress(bool running)
{
    m_inProgress = running;
    if (m_hooks.setProgress)
        m_hooks.setProgress(running);
}

void UsernameEditor::didEndEditSheet(int returnCode, const QString& startingName, const QString& enteredName)
{
    const QString entered = enteredName.trimmed();
    if (returnCode != 1 || entered.isEmpty()) {
        // Cancelling or emptying the field leaves the name the sheet started with.
        storeUsername(startingName);
        setProgress(false);
        return;
    }
    if (entered == startingName)
        return;
    storeUsername(entered);
    if (startingName.isEmpty()) {
        createUsername();
        return;
    }
    m_oldUsername = startingName;
    setProgress(true);
    changeUsername();
}

bool UsernameEditor::createUsername(std::function<void(bool created)> done)
{
    const QString name = currentUsername().trimmed();
    if (name.isEmpty())
        return false;
    setProgress(true);
    std::weak_ptr<bool> alive = m_alive;
    m_cloud.createUsername(
        name,
        [this, alive, done](const QVariant&) {
            if (alive.expired())
                return;
            createUsernameResult(nullptr);
            if (done)
                done(true);
        },
        [this, alive, done](const Error& error) {
            if (alive.expired())
                return;
            createUsernameResult(&error);
            if (done)
                done(false);
        });
    return true;
}

void UsernameEditor::changeUsername()
{
    setProgress(true);
    std::weak_ptr<bool> alive = m_alive;
    m_cloud.usernameForCurrentRegkey(
        [this, alive](const QVariant& reply) {
            if (alive.expired())
                return;
            if (reply.toMap().value(QStringLiteral("username")).toString() == currentUsername()) {
                m_oldUsername.clear();
                setProgress(false);
                return;
            }
            m_cloud.changeToUsernameFromOldUsername(
                m_oldUsername,
                [this, alive](const QVariant&) {
                    if (!alive.expired())
                        changeUsernameResult(nullptr);
                },
                [this, alive](const Error& error) {
                    if (!alive.expired())
                        changeUsernameResult(&error);
                });
        },
        [this, alive](const Error& error) {
            if (!alive.expired())
                changeUsernameResult(&error);
        });
}

void UsernameEditor::reportError(const QString& context, const Error& error)
{
    if (error.domain == kURLErrorDomain && m_hooks.showConnectionAlert)
        m_hooks.showConnectionAlert();
    Log::logf(QStringLiteral("%1: %2\n"), context, error.localizedDescription);
}

void UsernameEditor::createUsernameResult(const Error* error)
{
    if (error) {
        storeUsername(QString());
        reportError(QStringLiteral("createUsernameResult"), *error);
    }
    setProgress(false);
}

void UsernameEditor::changeUsernameResult(const Error* error)
{
    if (error) {
        storeUsername(m_oldUsername);
        reportError(QStringLiteral("changeUsernameResult"), *error);
    }
    m_oldUsername.clear();
    setProgress(false);
}
