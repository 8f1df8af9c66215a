#pragma once

#include "CloudAccountService.h"

#include <QString>
#include <functional>
#include <memory>

// The web recipe service's user name, kept under KROnlineUsername: creating it, changing it and
// putting it back when the service refuses. Widgets stay out: the preferences window shows the
// sheets and passes their answers in; the progress indicator and the connection alert are hooks.
// Main thread only.
class UsernameEditor
{
public:
    struct Hooks {
        std::function<void(bool running)> setProgress;
        // The service could not be reached (an error of the URL loading domain).
        std::function<void()> showConnectionAlert;
    };

    UsernameEditor(CloudAccountService& cloud, Hooks hooks);
    ~UsernameEditor();
    UsernameEditor(const UsernameEditor&) = delete;
    UsernameEditor& operator=(const UsernameEditor&) = delete;

    // The edit sheet, begun with `startingName` (KROnlineUsername then), ended with `returnCode`
    // (1: save) and the field's text. A name saved over another one is changed on the service, a
    // first name is created; an empty or cancelled field keeps the starting name and sends nothing.
    void didEndEditSheet(int returnCode, const QString& startingName, const QString& enteredName);

    // Creates KROnlineUsername on the service; refused (false, nothing sent) while it is empty.
    // `done` (may be empty) hears whether it was created.
    bool createUsername(std::function<void(bool created)> done = nullptr);
    // Asks the service for the account's name first: when it already is KROnlineUsername nothing
    // more is sent; otherwise renames the account from oldUsername().
    void changeUsername();

    QString oldUsername() const { return m_oldUsername; }
    void setOldUsername(const QString& name) { m_oldUsername = name; }
    bool inProgress() const { return m_inProgress; }

    // On error the stored name is cleared (create) or restored from oldUsername() (change).
    void createUsernameResult(const Error* error);
    void changeUsernameResult(const Error* error);

    static QString currentUsername();

private:
    void setProgress(bool running);
    void reportError(const QString& context, const Error& error);

    CloudAccountService& m_cloud;
    Hooks m_hooks;
    QString m_oldUsername;
    bool m_inProgress = false;
    // Replies that arrive after the editor is gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
