#pragma once

#include "CloudAccountService.h"

#include <QList>
#include <QString>
#include <QVariant>

// The web recipe service's account calls, recorded; each request waits until the test answers it
// with succeed() or fail(), oldest first.
class FakeCloudAccount : public CloudAccountService
{
public:
    struct Request {
        QString kind; // "create", "lookup", "change"
        QString name;
        Success success;
        Failure failure;
    };

    void createUsername(const QString& username, Success success, Failure failure) override
    {
        requests.append({ QStringLiteral("create"), username, std::move(success), std::move(failure) });
    }
    void usernameForCurrentRegkey(Success success, Failure failure) override
    {
        requests.append({ QStringLiteral("lookup"), QString(), std::move(success), std::move(failure) });
    }
    void changeToUsernameFromOldUsername(
        const QString& oldUsername, Success success, Failure failure) override
    {
        requests.append({ QStringLiteral("change"), oldUsername, std::move(success), std::move(failure) });
    }
    void uploadRecipe(ManagedObject* recipe, bool searchFlag) override
    {
        uploads.append({ recipe, searchFlag });
    }

    QStringList kinds() const
    {
        QStringList all;
        for (const Request& request : requests)
            all.append(request.kind);
        return all;
    }
    void succeed(const QVariant& reply = {})
    {
        const Request request = requests.at(answered++);
        request.success(reply);
    }
    void fail(const Error& error)
    {
        const Request request = requests.at(answered++);
        request.failure(error);
    }
    bool allAnswered() const { return answered == requests.size(); }

    QList<Request> requests;
    qsizetype answered = 0;
    QList<std::pair<ManagedObject*, bool>> uploads;
};
