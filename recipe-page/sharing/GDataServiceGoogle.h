#pragma once

#include "BlogPostingService.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;
class QNetworkRequest;

// The blog service client: the Blogger data protocol of sign-in by account ("ClientLogin": a form
// POST to /accounts/ClientLogin answered "Auth=<token>" or "Error=<code>"), the blogs feed at
// /feeds/default/blogs (an Atom feed whose entries carry the blog's post link) and new posts as Atom
// entries POSTed to that link, signed "GoogleLogin auth=<token>". The service is reached at a
// configurable endpoint: the public service retired this protocol and no public blog service
// answers it today, so the endpoint is a server of the user's choosing.
// Main thread only.
class GDataServiceGoogle : public QObject, public BlogPostingService
{
    Q_OBJECT

public:
    static inline const QString kBlogsFeedPath = QStringLiteral("/feeds/default/blogs");
    static inline const QString kClientLoginPath = QStringLiteral("/accounts/ClientLogin");
    static inline const QString kServiceID = QStringLiteral("blogger");
    static inline const QString kUserAgent = QStringLiteral("SampleBloggerApp");
    // The Atom link relation of a blog's post address.
    static inline const QString kPostLinkRelation = QStringLiteral("http://schemas.google.com/g/2005#post");

    explicit GDataServiceGoogle(const QUrl& endpoint = QUrl(), QObject* parent = nullptr);

    QUrl endpoint() const { return m_endpoint; }
    void setEndpoint(const QUrl& endpoint) override;

    void setUserCredentials(const QString& username, const QString& password) override;
    void fetchBlogs(BlogsFinished finished, Failed failed) override;
    void insertEntry(const Entry& entry, const QUrl& postURL, EntryFinished finished, Failed failed) override;

    // The Atom text of a new post.
    static QByteArray atomEntry(const Entry& entry);
    // The blogs of a feed; false when the feed cannot be read.
    static bool parseBlogsFeed(const QByteArray& feed, const QUrl& base, QList<Blog>* blogs, QString* error);

private:
    // Signs in when there is no token yet, then runs `signedIn`.
    void withToken(std::function<void()> signedIn, Failed failed);
    // The path below the endpoint (which may have a path of its own).
    QUrl endpointURL(const QString& path) const;
    QNetworkRequest request(const QUrl& url) const;
    // Answers `answered` with the status and body once the reply is done; transport failures go to
    // `failed`.
    void whenDone(QNetworkReply* reply, std::function<void(int status, const QByteArray& body)> answered,
        Failed failed);
    // Fails on the next turn of the main loop (requests never answer before they return).
    static void failLater(Failed failed, Failure failure);
    static Failure statusFailure(int status, const QByteArray& body);

    QNetworkAccessManager m_network;
    QUrl m_endpoint;
    QString m_username;
    QString m_password;
    QByteArray m_token;
};
