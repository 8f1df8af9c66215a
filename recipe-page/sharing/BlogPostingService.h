#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>

// What the blog wizard asks of a blog service: the user's blogs, and a new post on one of them.
// Each request answers later, on the main thread, through exactly one of its two callbacks.
class BlogPostingService
{
public:
    struct Blog {
        QString title;
        QUrl postURL; // where new posts of the blog go; empty when the service gave none
    };
    struct Failure {
        // "BadAuthentication" (refused user name or password), "empty username/password", or
        // empty for any other failure.
        QString code;
        QString description;
    };
    struct Entry {
        QString title;
        QString content; // HTML
        QString authorName;
    };
    using BlogsFinished = std::function<void(const QList<Blog>& blogs)>;
    using EntryFinished = std::function<void()>;
    using Failed = std::function<void(const Failure& failure)>;

    virtual ~BlogPostingService() = default;

    // Where the service is reached.
    virtual void setEndpoint(const QUrl& endpoint) = 0;
    // The credentials every following request signs in with.
    virtual void setUserCredentials(const QString& username, const QString& password) = 0;
    virtual void fetchBlogs(BlogsFinished finished, Failed failed) = 0;
    virtual void insertEntry(const Entry& entry, const QUrl& postURL, EntryFinished finished, Failed failed)
        = 0;
};
