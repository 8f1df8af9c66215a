#include "QLMKitchoraCloudAgent.h"

#include "AFNetworkingErrors.h"
#include "AFPropertyListRequestOperation.h"
#include "Base64.h"
#include "IsEmpty.h"
#include "Log.h"
#include "RunLoop.h"
#include "URIQuery.h"
#include "UUID.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <openssl/evp.h>

namespace
{

constexpr QLatin1String kRequestIDSalt("brinypike");
const QString kUsernameKey = QStringLiteral("user[username]");
const QString kRegkeyKey = QStringLiteral("user[regkey]");
const QString kRequestIDKey = QStringLiteral("user[requestID]");
const QString kSearchFlagKey = QStringLiteral("recipe[searchFlag]");

std::function<QString()>& usernameProvider()
{
    static std::function<QString()> provider;
    return provider;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("QLMKitchoraCloudAgent", text);
}

} // namespace

QLMKitchoraCloudAgent::QLMKitchoraCloudAgent(const QUrl& baseURL)
    : AFHTTPClient(baseURL)
    , m_configured(baseURL.isValid() && !baseURL.host().isEmpty()
          && (baseURL.scheme() == QLatin1String("http") || baseURL.scheme() == QLatin1String("https")))
{
    registerHTTPOperationClass<AFPropertyListRequestOperation>();
}

QLMKitchoraCloudAgent::~QLMKitchoraCloudAgent()
{
    *m_alive = false;
}

QLMKitchoraCloudAgent& QLMKitchoraCloudAgent::sharedCloudAgent()
{
    static QLMKitchoraCloudAgent* agent = newCloudAgent().release();
    return *agent;
}

std::unique_ptr<QLMKitchoraCloudAgent> QLMKitchoraCloudAgent::newCloudAgent()
{
    return std::make_unique<QLMKitchoraCloudAgent>(configuredBaseURL());
}

QUrl QLMKitchoraCloudAgent::configuredBaseURL()
{
    const QString text
        = UserDefaults::standardUserDefaults().stringForKey(KitchoraCloudExpectedBaseURL).trimmed();
    QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return {};
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

QString QLMKitchoraCloudAgent::username()
{
    if (usernameProvider())
        return usernameProvider()();
    return UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("KROnlineUsername"));
}

void QLMKitchoraCloudAgent::setUsernameProvider(std::function<QString()> provider)
{
    usernameProvider() = std::move(provider);
}

QString QLMKitchoraCloudAgent::regkey()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QString key = defaults.stringForKey(KitchoraCloudRegkey);
    if (isEmpty(key)) {
        key = UUID::mg_stringWithNewUUID();
        defaults.setObject(key, KitchoraCloudRegkey);
    }
    return key;
}

QString QLMKitchoraCloudAgent::hashedRequestIDForUsername(const QString& username, const QString& regkey)
{
    const QByteArray text = (regkey + username + kRequestIDSalt).toUtf8();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.constData(), size_t(text.size()), digest, &length, EVP_md5(), nullptr) != 1)
        return {};
    return Base64::base64EncodedString(QByteArray(reinterpret_cast<const char*>(digest), int(length)));
}

QString QLMKitchoraCloudAgent::redacted(QString text)
{
    const QString key = UserDefaults::standardUserDefaults().stringForKey(KitchoraCloudRegkey);
    if (!key.isEmpty()) {
        text.replace(key, QStringLiteral("<account key>"));
        text.replace(URIQuery::encodePercentEscapesPerRFC2396(key), QStringLiteral("<account key>"));
    }
    return text;
}

QString QLMKitchoraCloudAgent::idText(const QVariant& recipeID)
{
    return recipeID.toString();
}

Error QLMKitchoraCloudAgent::notConfiguredError()
{
    return Error { errorDomain(), NotConfiguredError, tr("No web recipe service is configured."), {} };
}

void QLMKitchoraCloudAgent::failSoon(const Failure& failure, const Error& error)
{
    if (!failure)
        return;
    RunLoop::postToMain([failure, error] { failure(error); });
}

void QLMKitchoraCloudAgent::failForGood(const Failure& failure, const Error& failed)
{
    // Callers log what they get: the account key in a failing address stays out of it.
    Error error = failed;
    error.localizedDescription = redacted(error.localizedDescription);
    for (auto it = error.userInfo.begin(); it != error.userInfo.end(); ++it) {
        if (it.value().typeId() == QMetaType::QString)
            it.value() = redacted(it.value().toString());
    }
    if (failure)
        failure(error);
    if (m_generalFailureHandler)
        m_generalFailureHandler(error);
}

// --- The retrying path ---

void QLMKitchoraCloudAgent::standardGetPath(
    const QString& path, const QVariantMap& parameters, Success success, Failure failure)
{
    standardCommunicationOfType(
        GetMethod, path, parameters, std::move(success), std::move(failure), kTries, {});
}

void QLMKitchoraCloudAgent::standardPostPath(
    const QString& path, const QVariantMap& parameters, Success success, Failure failure)
{
    standardCommunicationOfType(
        PostMethod, path, parameters, std::move(success), std::move(failure), kTries, {});
}

void QLMKitchoraCloudAgent::standardPutPath(
    const QString& path, const QVariantMap& parameters, Success success, Failure failure)
{
    standardCommunicationOfType(
        PutMethod, path, parameters, std::move(success), std::move(failure), kTries, {});
}

void QLMKitchoraCloudAgent::standardCommunicationOfType(int method, const QString& path,
    const QVariantMap& parameters, Success success, Failure failure, int retryCounter, const Error& error)
{
    if (!m_configured) {
        failSoon(failure, notConfiguredError());
        return;
    }
    if (method != GetMethod && method != PostMethod && method != PutMethod) {
        failSoon(failure,
            Error { errorDomain(), BadRequestMethodError,
                tr("The request method %1 is not known.").arg(method), {} });
        return;
    }
    if (retryCounter <= 0) {
        failForGood(failure, error);
        return;
    }
    QVariantMap sent = parameters;
    if (method != GetMethod && !sent.contains(kRequestIDKey) && sent.contains(kUsernameKey)
        && sent.contains(kRegkeyKey)) {
        sent.insert(kRequestIDKey,
            hashedRequestIDForUsername(
                sent.value(kUsernameKey).toString(), sent.value(kRegkeyKey).toString()));
    }

    std::weak_ptr<bool> alive = m_alive;
    auto onSuccess = [success](AFHTTPRequestOperation&, const QVariant& reply) {
        if (success)
            success(reply);
    };
    auto onFailure = [this, alive, method, path, parameters, success, failure, retryCounter](
                         AFHTTPRequestOperation& operation, const Error& failed) {
        if (!alive.lock())
            return;
        // A write that may have arrived is not sent again, so the service never gets it twice.
        if (method == PostMethod && AFNetworkingErrors::mayHaveReachedService(failed)) {
            failForGood(failure, failed);
            return;
        }
        Log::logf(QStringLiteral("Retry counter #%1, %2"), retryCounter, redacted(operation.description()));
        standardCommunicationOfType(method, path, parameters, success, failure, retryCounter - 1, failed);
    };
    switch (method) {
    case GetMethod:
        getPath(path, sent, onSuccess, onFailure);
        break;
    case PostMethod:
        postPath(path, sent, onSuccess, onFailure);
        break;
    default:
        putPath(path, sent, onSuccess, onFailure);
        break;
    }
}

void QLMKitchoraCloudAgent::httpGetURL(const QUrl& url, Success success, Failure failure, bool highPriority)
{
    httpGetURL(url, std::move(success), std::move(failure), kTries, {}, highPriority);
}

void QLMKitchoraCloudAgent::httpGetURL(const QUrl& url, Success success, Failure failure, int retryCounter,
    const Error& error, bool highPriority)
{
    if (!m_configured) {
        failSoon(failure, notConfiguredError());
        return;
    }
    if (retryCounter <= 0) {
        failForGood(failure, error);
        return;
    }
    URLRequest request;
    request.url = url;
    request.timeoutInterval = kRequestTimeout;
    auto operation = std::make_shared<AFHTTPRequestOperation>(request);
    operation->setQueuePriority(
        highPriority ? AFURLConnectionOperation::High : AFURLConnectionOperation::Low);
    std::weak_ptr<bool> alive = m_alive;
    operation->setCompletionBlockWithSuccess(
        [success](AFHTTPRequestOperation&, const QVariant& reply) {
            if (success)
                success(reply);
        },
        [this, alive, url, success, failure, retryCounter, highPriority](
            AFHTTPRequestOperation&, const Error& failed) {
            if (alive.lock())
                httpGetURL(url, success, failure, retryCounter - 1, failed, highPriority);
        });
    enqueueHTTPRequestOperation(operation);
}

QUrl QLMKitchoraCloudAgent::recipeAddress(const QVariant& recipeID, const QString& last) const
{
    // The base address ends in "/", so the segments follow it directly.
    const QString base = QString::fromUtf8(baseURL().toEncoded());
    return QUrl(base
            + QStringLiteral("recipes/%1/%2")
                  .arg(URIQuery::encodePercentEscapesPerRFC2396ButNot(
                           idText(recipeID), QString(), QStringLiteral("/?#")),
                      last),
        QUrl::TolerantMode);
}

// --- Operations ---

void QLMKitchoraCloudAgent::searchForTerms(
    const QStringList& terms, quint64 page, Success success, Failure failure)
{
    const std::optional<QString> query = URIQuery::stringWithQueryDictionary(
        { { kUsernameKey, username() }, { QStringLiteral("page"), page } });
    // Each term is escaped whole, "&" and "," included, so only the joining commas stay.
    QStringList escapedTerms;
    for (const QString& term : terms)
        escapedTerms.append(
            URIQuery::encodePercentEscapesPerRFC2396ButNot(term, QString(), QStringLiteral("+=;&,")));
    const QString path = QStringLiteral("search.xml?%1&query=%2")
                             .arg(query.value_or(QString()), escapedTerms.join(QLatin1Char(',')));
    standardGetPath(path, {}, std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::recipeForRecipeID(const QVariant& recipeID, Success success, Failure failure)
{
    standardGetPath(QStringLiteral("recipes/%1.xml")
                        .arg(URIQuery::encodePercentEscapesPerRFC2396ButNot(
                            idText(recipeID), QString(), QStringLiteral("/?#"))),
        {}, std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::recipesForRecipeIDs(
    const QVariantList& recipeIDs, Success success, Failure failure)
{
    QStringList ids;
    for (const QVariant& recipeID : recipeIDs)
        ids.append(URIQuery::encodePercentEscapesPerRFC2396ButNot(
            idText(recipeID), QString(), QStringLiteral("+=;&,")));
    standardGetPath(QStringLiteral("recipes.xml?ids=%1").arg(ids.join(QLatin1Char(','))), {},
        std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::imageForRecipeID(
    const QVariant& recipeID, Success success, Failure failure, bool highPriority)
{
    httpGetURL(recipeAddress(recipeID, QStringLiteral("image")), std::move(success), std::move(failure),
        highPriority);
}

void QLMKitchoraCloudAgent::imageForPath(const QString& path, Success success, Failure failure)
{
    httpGetURL(URLForPath(path), std::move(success), std::move(failure), false);
}

void QLMKitchoraCloudAgent::permalinkForRecipeID(const QVariant& recipeID, Success success, Failure failure)
{
    httpGetURL(
        recipeAddress(recipeID, QStringLiteral("permalink")), std::move(success), std::move(failure), false);
}

void QLMKitchoraCloudAgent::uploadImageData(const QByteArray& data, int imageType, const QVariant& recipeID,
    Success success, ImageUploadFailure failure)
{
    if (!m_configured) {
        if (failure)
            RunLoop::postToMain([failure] { failure(nullptr, notConfiguredError()); });
        return;
    }
    const QString name = username();
    const QString key = regkey();
    const QVariantMap parameters {
        { kUsernameKey, name },
        { kRegkeyKey, key },
        { kRequestIDKey, hashedRequestIDForUsername(name, key) },
    };
    QString extension;
    QString contentType;
    switch (imageType) {
    case JPEGImage:
        extension = QStringLiteral("jpg");
        contentType = QStringLiteral("image/jpeg");
        break;
    case PNGImage:
        extension = QStringLiteral("png");
        contentType = QStringLiteral("image/png");
        break;
    case JPEG2000Image:
        extension = QStringLiteral("jp2");
        contentType = QStringLiteral("image/jp2");
        break;
    default:
        Log::logf(QStringLiteral("Invalid image type %1"), QStringLiteral("uploadImageData"));
        break;
    }
    const URLRequest request = multipartFormRequestWithMethod(QByteArrayLiteral("POST"),
        QStringLiteral("recipes/%1/image.xml").arg(idText(recipeID)), parameters,
        [&](AFMultipartFormData& form) {
            form.appendPartWithFileData(data, QStringLiteral("recipe[image]"),
                QStringLiteral("image.%1").arg(extension), contentType);
        });
    auto operation = std::make_shared<AFHTTPRequestOperation>(request);
    operation->setQueuePriority(AFURLConnectionOperation::VeryLow);
    std::weak_ptr<bool> alive = m_alive;
    operation->setCompletionBlockWithSuccess(
        [success](AFHTTPRequestOperation&, const QVariant& reply) {
            if (success)
                success(reply);
        },
        [this, alive, failure](AFHTTPRequestOperation& failed, const Error& error) {
            if (failure)
                failure(&failed, error);
            if (alive.lock() && m_generalFailureHandler)
                m_generalFailureHandler(error);
        });
    enqueueHTTPRequestOperation(operation);
}

void QLMKitchoraCloudAgent::uploadRecipePlist(
    const QVariantMap& plist, bool searchFlag, Success success, Failure failure)
{
    const QVariantMap parameters {
        { kUsernameKey, username() },
        { kRegkeyKey, regkey() },
        { QStringLiteral("recipe[vrcText]"), plist.value(QStringLiteral("vrcText")).toString().trimmed() },
        { kSearchFlagKey, searchFlag },
    };
    standardPostPath(QStringLiteral("recipes.xml"), parameters, std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::setSearchFlag(
    bool searchFlag, const QVariant& recipeID, Success success, Failure failure)
{
    const QVariantMap parameters {
        { kUsernameKey, username() },
        { kRegkeyKey, regkey() },
        { kSearchFlagKey, searchFlag },
    };
    standardPutPath(QStringLiteral("recipes/%1.xml").arg(idText(recipeID)), parameters, std::move(success),
        std::move(failure));
}

void QLMKitchoraCloudAgent::setRating(
    const QVariant& rating, const QVariant& recipeID, Success success, Failure failure)
{
    // The service reads a rating under the sharing flag's key; the path says it is a rating.
    const QVariantMap parameters {
        { kUsernameKey, username() },
        { kRegkeyKey, regkey() },
        { kSearchFlagKey, rating },
    };
    standardPostPath(QStringLiteral("/recipes/%1/rate.xml").arg(idText(recipeID)), parameters,
        std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::usernameForRegkey(const QString& regkey, Success success, Failure failure)
{
    standardGetPath(
        QStringLiteral("users/%1.xml")
            .arg(URIQuery::encodePercentEscapesPerRFC2396ButNot(regkey, QString(), QStringLiteral("/?#;"))),
        {}, std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::usernameForCurrentRegkey(Success success, Failure failure)
{
    usernameForRegkey(regkey(), std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::createUsername(
    const QString& username, const QString& regkey, Success success, Failure failure)
{
    standardPostPath(QStringLiteral("users.xml"), { { kUsernameKey, username }, { kRegkeyKey, regkey } },
        std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::useCurrentRegKeyToCreateUserName(
    const QString& username, Success success, Failure failure)
{
    createUsername(username, regkey(), std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::changeUsername(const QString& oldUsername, const QString& newUsername,
    const QString& regkey, Success success, Failure failure)
{
    const QVariantMap parameters {
        { QStringLiteral("user[currentUsername]"), oldUsername },
        { QStringLiteral("user[newUsername]"), newUsername },
        { kRequestIDKey, hashedRequestIDForUsername(oldUsername, regkey) },
    };
    standardPutPath(
        QStringLiteral("users/%1.xml")
            .arg(URIQuery::encodePercentEscapesPerRFC2396ButNot(regkey, QString(), QStringLiteral("/?#;"))),
        parameters, std::move(success), std::move(failure));
}

void QLMKitchoraCloudAgent::changeToUsernameFromOldUsername(
    const QString& oldUsername, Success success, Failure failure)
{
    changeUsername(oldUsername, username(), regkey(), std::move(success), std::move(failure));
}
