#pragma once

#include "AFHTTPClient.h"

#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

// User default: the web recipe service's base address (http or https). Without one the
// service is not configured: every request fails at once and nothing is sent.
inline const QString KitchoraCloudExpectedBaseURL = QStringLiteral("KitchoraCloudExpectedBaseURL");
// User default: the account key the service knows this user by; made on first use.
inline const QString KitchoraCloudRegkey = QStringLiteral("KitchoraCloudRegkey");

// The one client of the web recipe service: its paths and parameter keys, the request
// identifier on every write, three tries per request, replies parsed as property lists. Every
// call returns at once; blocks run later on the main thread. Main thread only.
class QLMKitchoraCloudAgent : public AFHTTPClient
{
public:
    using Success = std::function<void(const QVariant& reply)>;
    using Failure = std::function<void(const Error& error)>;
    using ImageUploadFailure = std::function<void(AFHTTPRequestOperation* operation, const Error& error)>;

    enum RequestMethod { GetMethod = 0, PostMethod = 1, PutMethod = 2 };
    enum ImageType { JPEGImage = 0, PNGImage = 1, JPEG2000Image = 2 };
    enum ErrorCode { NotConfiguredError = 1, BadRequestMethodError, UnencodableQueryError };

    static constexpr int kTries = 3;
    static QString errorDomain() { return QStringLiteral("QLMKitchoraCloudAgent"); }

    // An empty or unusable address makes an agent that is not configured.
    explicit QLMKitchoraCloudAgent(const QUrl& baseURL);
    ~QLMKitchoraCloudAgent() override;

    // Made once from the user default, kept for the process.
    static QLMKitchoraCloudAgent& sharedCloudAgent();
    static std::unique_ptr<QLMKitchoraCloudAgent> newCloudAgent();
    // The user default's address when it is an http or https address with a host (a "/" is
    // added to a path that lacks one), else an empty URL.
    static QUrl configuredBaseURL();
    bool isConfigured() const { return m_configured; }

    // Called with the error after the failure block of a request that failed for good.
    void setGeneralFailureHandler(Failure handler) { m_generalFailureHandler = std::move(handler); }

    // The user's name on the service (the application's choice), and the account key.
    static QString username();
    static void setUsernameProvider(std::function<QString()> provider);
    static QString regkey();
    // Base64 of the MD5 digest of the UTF-8 of regkey + username + salt: 24 characters.
    static QString hashedRequestIDForUsername(const QString& username, const QString& regkey);

    void searchForTerms(const QStringList& terms, quint64 page, Success success, Failure failure = nullptr);
    void recipeForRecipeID(const QVariant& recipeID, Success success, Failure failure = nullptr);
    void recipesForRecipeIDs(const QVariantList& recipeIDs, Success success, Failure failure = nullptr);
    void imageForRecipeID(
        const QVariant& recipeID, Success success, Failure failure = nullptr, bool highPriority = false);
    void imageForPath(const QString& path, Success success, Failure failure = nullptr);
    void permalinkForRecipeID(const QVariant& recipeID, Success success, Failure failure = nullptr);
    // Sent once, never again: a picture that reached the service must not arrive twice.
    void uploadImageData(const QByteArray& data, int imageType, const QVariant& recipeID, Success success,
        ImageUploadFailure failure = nullptr);
    void uploadRecipePlist(
        const QVariantMap& plist, bool searchFlag, Success success, Failure failure = nullptr);
    void setSearchFlag(bool searchFlag, const QVariant& recipeID, Success success, Failure failure = nullptr);
    void setRating(
        const QVariant& rating, const QVariant& recipeID, Success success, Failure failure = nullptr);
    void usernameForRegkey(const QString& regkey, Success success, Failure failure = nullptr);
    void usernameForCurrentRegkey(Success success, Failure failure = nullptr);
    void createUsername(
        const QString& username, const QString& regkey, Success success, Failure failure = nullptr);
    void useCurrentRegKeyToCreateUserName(
        const QString& username, Success success, Failure failure = nullptr);
    void changeUsername(const QString& oldUsername, const QString& newUsername, const QString& regkey,
        Success success, Failure failure = nullptr);
    void changeToUsernameFromOldUsername(
        const QString& oldUsername, Success success, Failure failure = nullptr);

    // The retrying path: GET and PUT are tried kTries times; a POST again only when it cannot
    // have reached the service (no connection was made).
    void standardGetPath(
        const QString& path, const QVariantMap& parameters, Success success, Failure failure);
    void standardPostPath(
        const QString& path, const QVariantMap& parameters, Success success, Failure failure);
    void standardPutPath(
        const QString& path, const QVariantMap& parameters, Success success, Failure failure);
    void standardCommunicationOfType(int method, const QString& path, const QVariantMap& parameters,
        Success success, Failure failure, int retryCounter, const Error& error);
    // A plain GET of a full address, without the default headers, tried kTries times.
    void httpGetURL(const QUrl& url, Success success, Failure failure, bool highPriority = false);

private:
    void httpGetURL(const QUrl& url, Success success, Failure failure, int retryCounter, const Error& error,
        bool highPriority);
    void failForGood(const Failure& failure, const Error& error);
    // Reports "not configured" (or another error) on the main thread's next turn.
    void failSoon(const Failure& failure, const Error& error);
    static Error notConfiguredError();
    QUrl recipeAddress(const QVariant& recipeID, const QString& last) const;
    // The text with the account key in any form replaced, for logging.
    static QString redacted(QString text);
    static QString idText(const QVariant& recipeID);

    bool m_configured = false;
    Failure m_generalFailureHandler;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
