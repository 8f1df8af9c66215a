// Sending to another device's folder: recipes appended to its list, pictures, grocery lists, and
// the push request that tells the device.

#include "DropboxErrors.h"
#include "DropboxPaths.h"
#include "Log.h"
#include "PropertyList.h"
#include "QLMDropboxController.h"
#include "QLMDropboxPathConstants.h"
#include "UUID.h"
#include "UserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

using namespace QLMDropboxPathConstants;

struct QLMDropboxController::Sending {
    QVariantList recipes;
    QLMKitchoraDevice device;
    QString ident;
    QString folder; // the device's Recipes folder
    QString claimPath; // where the list read was moved; empty when there was none
    bool claimIncluded = true; // the claimed list went into the new one
    int attempts = 0;
};

namespace
{
// Claims of the device's list that another reader may empty before this sending reads them.
constexpr int kSendAttempts = 3;
} // namespace

void QLMDropboxController::addRecipesToDevice(const QVariantList& plists, const QLMKitchoraDevice& device)
{
    if (plists.isEmpty() || device.dropboxPath().isEmpty()) {
        Log::log(QStringLiteral("Missing parameter for -addRecipes:toDevice:"));
        return;
    }
    auto sending = std::make_shared<Sending>();
    sending->recipes = plists;
    sending->device = device;
    sending->folder = DropboxPaths::join(device.dropboxPath(), QLMDropboxRecipeDirectory);
    for (const QVariant& recipe : plists) {
        const QVariantMap map = recipe.toMap();
        QVariant value = map.value(QStringLiteral("id"));
        if (!value.isValid() || value.isNull())
            value = map.value(QStringLiteral("onlineID"));
        sending->ident = recipeIdentifier({ { QStringLiteral("id"), value } });
        if (!sending->ident.isEmpty())
            break;
    }
    if (sending->ident.isEmpty()) {
        sending->ident = UUID::mg_stringWithNewUUID();
        QVariantMap last = sending->recipes.last().toMap();
        last.insert(QStringLiteral("onlineID"), sending->ident);
        sending->recipes.last() = last;
    }
    appendRecipes(sending);
}

// The list is first moved to a name of this sending's own: from then on no other writer or
// reader changes it under us. A list that is not there is a list still to start; any other
// failure sends nothing and changes nothing.
void QLMDropboxController::appendRecipes(const std::shared_ptr<Sending>& sending)
{
    const QString list = DropboxPaths::join(sending->folder, QLMDropboxRecipePlistFilename);
    const QString claim = DropboxPaths::join(
        sending->folder, QStringLiteral("Recipes-%1.plist").arg(UUID::mg_stringWithNewUUID()));
    moveFile(list, claim, [this, sending, claim](const std::optional<Error>& error) {
        if (error && error->code == DropboxErrors::NotFound) {
            commitRecipes(sending, {});
            return;
        }
        if (error) {
            Log::logf(QStringLiteral("Error upon fetching existing recipes.plist: %1"),
                error->localizedDescription);
            return;
        }
        sending->claimPath = claim;
        m_dropboxAgent.contentsOfFileAtDropboxPath(
            claim, [this, sending](const QByteArray& data) { commitRecipes(sending, data); },
            [this, sending](const std::optional<Error>& error) {
                // The device read the claimed list first: start again from the list as it is now.
                if (error && error->code == DropboxErrors::NotFound && ++sending->attempts < kSendAttempts) {
                    sending->claimPath.clear();
                    appendRecipes(sending);
                    return;
                }
                // The claimed list stays under its own name, where the device still reads it.
                Log::logf(QStringLiteral("Error upon fetching existing recipes.plist: %1"),
                    error ? error->localizedDescription : QString());
            });
    });
}

void QLMDropboxController::commitRecipes(const std::shared_ptr<Sending>& sending, const QByteArray& claimed)
{
    QVariantList list = sending->recipes;
    if (!sending->claimPath.isEmpty()) {
        const QVariant existing = PropertyList::propertyListWithData(claimed);
        if (existing.typeId() == QMetaType::QVariantList)
            list.append(existing.toList());
        else if (existing.typeId() == QMetaType::QVariantMap)
            list.append(existing);
        else
            sending->claimIncluded = false; // not ours to judge: it stays as its own file
    }
    const QString target = DropboxPaths::join(sending->folder, QLMDropboxRecipePlistFilename);
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(list, PropertyList::Format::Binary, &error);
    if (data.isEmpty()) {
        Log::logf(QStringLiteral("Error %1 making plist to upload %2"), error.localizedDescription, target);
        return;
    }
    // Written under a name listings show as deleted, then moved into place in one step.
    const QString temporary = DropboxPaths::join(
        sending->folder, QStringLiteral(".~Recipes.plist-%1").arg(UUID::mg_stringWithNewUUID()));
    m_dropboxAgent.uploadFile(
        data, temporary,
        [this, sending, temporary, target] {
            moveFile(temporary, target, [this, sending, temporary](const std::optional<Error>& error) {
                if (!error) {
                    recipesCommitted(sending);
                    return;
                }
                // Another sender started a new list meanwhile: ours stays beside it as a file of its
                // own, which the device reads the same way.
                const QString beside = DropboxPaths::join(
                    sending->folder, QStringLiteral("Recipes-%1.plist").arg(UUID::mg_stringWithNewUUID()));
                moveFile(temporary, beside, [this, sending](const std::optional<Error>& error) {
                    if (error) {
                        Log::logf(
                            QStringLiteral("error at -addRecipes:toDevice: %1"), error->localizedDescription);
                        return;
                    }
                    recipesCommitted(sending);
                });
            });
        },
        [target](const std::optional<Error>& error) {
            Log::logf(QStringLiteral("error at -addRecipes:toDevice: %1"),
                error ? error->localizedDescription : QStringLiteral("temporary file not written"));
        });
}

void QLMDropboxController::recipesCommitted(const std::shared_ptr<Sending>& sending)
{
    if (!sending->claimPath.isEmpty() && sending->claimIncluded)
        m_dropboxAgent.deleteDropboxPath(sending->claimPath, {}, {});
    pushRecipeIdent(sending->ident, sending->device);
}

void QLMDropboxController::addRecipe(const QVariantMap& recipe, const QLMKitchoraDevice& device)
{
    if (recipe.isEmpty()) {
        Log::log(QStringLiteral("recipeDictionary is nil for -[QLMDropboxController addRecipe:toDevice:]"));
        return;
    }
    if (device.dropboxPath().isEmpty()) {
        Log::log(QStringLiteral("kitchoraDevice is nil for -[QLMDropboxController addRecipe:toDevice:]"));
        return;
    }
    QVariant value = recipe.value(QStringLiteral("id"));
    if (!value.isValid() || value.isNull())
        value = recipe.value(QStringLiteral("onlineID"));
    QString ident = recipeIdentifier({ { QStringLiteral("id"), value } });
    if (ident.isEmpty())
        ident = UUID::mg_stringWithNewUUID();
    QVariantMap plist = recipe;
    plist.remove(QStringLiteral("temporaryImage"));
    const QString fileName
        = QStringLiteral("%1-%2.plist")
              .arg(safeFileName(plist.value(QStringLiteral("name")).toString()), safeFileName(ident));
    const QString target
        = DropboxPaths::join(DropboxPaths::join(device.dropboxPath(), QLMDropboxRecipeDirectory), fileName);
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(plist, PropertyList::Format::Binary, &error);
    if (data.isEmpty()) {
        Log::logf(QStringLiteral("Error %1 making plist to upload %2"), error.localizedDescription, target);
        return;
    }
    m_dropboxAgent.uploadFile(
        data, target, [this, ident, device] { pushRecipeIdent(ident, device); },
        [](const std::optional<Error>& error) {
            Log::logf(QStringLiteral("error at -addRecipe:toDevice: %1"),
                error ? error->localizedDescription : QString());
        });
}

void QLMDropboxController::uploadRecipeImageDataToDevice(
    const QByteArray& data, const QLMKitchoraDevice& device, const QString& fileName)
{
    if (data.isEmpty() || device.dropboxPath().isEmpty() || fileName.isEmpty()) {
        Log::log(QStringLiteral("parameter is nil for -uploadRecipeImageData:toDevice:asFileName:"));
        return;
    }
    const QString images
        = DropboxPaths::join(DropboxPaths::join(device.dropboxPath(), QLMDropboxRecipeDirectory),
            QLMDropboxRecipeImagesFolderName);
    m_dropboxAgent.uploadFile(data, DropboxPaths::join(images, safeFileName(fileName)));
}

// --- grocery lists ---

void QLMDropboxController::addGroceryListPlistToDevice(
    const QVariantMap& plist, const QLMKitchoraDevice& device)
{
    if (!device.supportsGroceryLists() || device.dropboxPath().isEmpty())
        return;
    const QString uuid = UUID::mg_stringWithNewUUID();
    const QString name = plist.value(QStringLiteral("name")).toString();
    const QString target
        = DropboxPaths::join(DropboxPaths::join(device.dropboxPath(), QLMDropboxGroceryListDirectory),
            QStringLiteral("%1-%2.plist").arg(safeFileName(name), uuid));
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(plist, PropertyList::Format::Binary, &error);
    if (data.isEmpty()) {
        Log::logf(QStringLiteral("Error %1 making plist to upload %2"), error.localizedDescription, target);
        return;
    }
    m_dropboxAgent.uploadFile(
        data, target, [this, uuid, device] { pushGroceryIdent(uuid, device); },
        [](const std::optional<Error>& error) {
            Log::logf(QStringLiteral("error at -addGroceryListPlist:toDevice: %1"),
                error ? error->localizedDescription : QString());
        });
}

// --- push ---

void QLMDropboxController::pushRecipeIdent(const QString& ident, const QLMKitchoraDevice& device)
{
    if (ident.isEmpty())
        return;
    pushNoteWithIdent(ident, QStringLiteral("%1 just shared a recipe with you!").arg(m_identity.computerName),
        0, device.deviceToken());
}

void QLMDropboxController::pushGroceryIdent(const QString& ident, const QLMKitchoraDevice& device)
{
    if (ident.isEmpty())
        return;
    pushNoteWithIdent(ident,
        QStringLiteral("%1 just shared a grocery list with you!").arg(m_identity.computerName), 1,
        device.deviceToken());
}

QString QLMDropboxController::pushAddress(const QString& serviceAddress, const QString& ident,
    const QString& message, int itemType, const QString& deviceToken)
{
    const auto escaped
        = [](const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); };
    QString service = serviceAddress.trimmed();
    while (service.endsWith(u'/'))
        service.chop(1);
    // Joined, not filled in with arg(): an escaped value holds "%" followed by digits, which a
    // later arg() would take for its own placeholders.
    return service + QLMPushServicePath + QStringLiteral("?appId=2&deviceToken=") + escaped(deviceToken)
        + QStringLiteral("&message=") + escaped(message) + QStringLiteral("&itemId=") + escaped(ident)
        + QStringLiteral("&itemType=") + QString::number(itemType);
}

void QLMDropboxController::pushNoteWithIdent(
    const QString& ident, const QString& message, int itemType, const QString& deviceToken)
{
    if (deviceToken.isEmpty())
        return;
    const QString service
        = UserDefaults::standardUserDefaults().stringForKey(QLMPushServiceAddressKey).trimmed();
    if (service.isEmpty()) {
        Log::logf(QStringLiteral("No push service is configured; the device was not told of item %1"), ident);
        return;
    }
    sendPush(pushAddress(service, ident, message, itemType, deviceToken));
}

void QLMDropboxController::sendPush(const QString& address)
{
    if (m_sendPush) {
        m_sendPush(address);
        return;
    }
    const QUrl url = QUrl::fromEncoded(address.toUtf8(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        Log::logf(QStringLiteral("The push service address is not usable: %1"), address);
        return;
    }
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    QNetworkReply* reply = m_network->get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}
