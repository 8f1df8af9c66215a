#include "GDataServiceGoogle.h"

#include "RunLoop.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>

namespace
{

const QString atomNamespace = QStringLiteral("http://www.w3.org/2005/Atom");
constexpr int kTransferTimeoutMs = 30000;

// "Key=value" lines of a sign-in answer.
QByteArray answerValue(const QByteArray& body, const QByteArray& key)
{
    for (const QByteArray& line : body.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith(key + '='))
            return trimmed.mid(key.size() + 1);
    }
    return {};
}

} // namespace

GDataServiceGoogle::GDataServiceGoogle(const QUrl& endpoint, QObject* parent)
    : QObject(parent)
    , m_endpoint(endpoint)
{
}

void GDataServiceGoogle::setEndpoint(const QUrl& endpoint)
{
    if (endpoint != m_endpoint)
        m_token.clear();
    m_endpoint = endpoint;
}

void GDataServiceGoogle::setUserCredentials(const QString& username, const QString& password)
{
    if (username != m_username || password != m_password)
        m_token.clear();
    m_username = username;
    m_password = password;
}

void GDataServiceGoogle::failLater(Failed failed, Failure failure)
{
    RunLoop::postToMain([failed = std::move(failed), failure = std::move(failure)] { failed(failure); });
}

GDataServiceGoogle::Failure GDataServiceGoogle::statusFailure(int status, const QByteArray& body)
{
    const QByteArray code = answerValue(body, "Error");
    if (!code.isEmpty())
        return { QString::fromUtf8(code),
            tr("The blog service refused the request (%1).").arg(QString::fromUtf8(code)) };
    return { QString(), tr("The blog service answered with status %1.").arg(status) };
}

QUrl GDataServiceGoogle::endpointURL(const QString& path) const
{
    QUrl url = m_endpoint;
    QString prefix = url.path();
    while (prefix.endsWith(u'/'))
        prefix.chop(1);
    url.setPath(prefix + path);
    return url;
}

QNetworkRequest GDataServiceGoogle::request(const QUrl& url) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    request.setRawHeader("GData-Version", "2");
    request.setTransferTimeout(kTransferTimeoutMs);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "GoogleLogin auth=" + m_token);
    return request;
}

void GDataServiceGoogle::whenDone(
    QNetworkReply* reply, std::function<void(int status, const QByteArray& body)> answered, Failed failed)
{
    connect(reply, &QNetworkReply::finished, this,
        [reply, answered = std::move(answered), failed = std::move(failed)] {
            reply->deleteLater();
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid()) {
                failed(
                    { QString(), tr("The blog service could not be reached: %1").arg(reply->errorString()) });
                return;
            }
            answered(status.toInt(), reply->readAll());
        });
}

void GDataServiceGoogle::withToken(std::function<void()> signedIn, Failed failed)
{
    if (m_username.isEmpty() || m_password.isEmpty()) {
        failLater(std::move(failed),
            { QStringLiteral("empty username/password"), tr("Empty username or password.") });
        return;
    }
    if (!m_endpoint.isValid() || m_endpoint.scheme().isEmpty()) {
        failLater(std::move(failed),
            { QString(),
                tr("No blog service address is set. No public blog service answers this protocol today; "
                   "enter the address of a server that does.") });
        return;
    }
    if (!m_token.isEmpty()) {
        signedIn();
        return;
    }
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("accountType"), QStringLiteral("GOOGLE"));
    form.addQueryItem(QStringLiteral("Email"), m_username);
    form.addQueryItem(QStringLiteral("Passwd"), m_password);
    form.addQueryItem(QStringLiteral("service"), kServiceID);
    form.addQueryItem(QStringLiteral("source"), kUserAgent);
    QNetworkRequest login = request(endpointURL(kClientLoginPath));
    login.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    // Form encoding: "+" and "&" inside values must not be read as separators.
    QByteArray body;
    for (const auto& [key, value] : form.queryItems(QUrl::FullyDecoded)) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    const QString username = m_username;
    const QString password = m_password;
    whenDone(
        m_network.post(login, body),
        [this, username, password, signedIn = std::move(signedIn), failed](
            int status, const QByteArray& answer) {
            const QByteArray token = answerValue(answer, "Auth");
            if (status != 200 || token.isEmpty()) {
                failed(status == 200 ? Failure { QString(), tr("The blog service gave no sign-in token.") }
                                     : statusFailure(status, answer));
                return;
            }
            // Credentials changed meanwhile: this token is not theirs.
            if (username == m_username && password == m_password)
                m_token = token;
            signedIn();
        },
        failed);
}

void GDataServiceGoogle::fetchBlogs(BlogsFinished finished, Failed failed)
{
    withToken(
        [this, finished, failed] {
            const QUrl feedURL = endpointURL(kBlogsFeedPath);
            whenDone(
                m_network.get(request(feedURL)),
                [feedURL, finished, failed](int status, const QByteArray& body) {
                    if (status != 200) {
                        failed(statusFailure(status, body));
                        return;
                    }
                    QList<Blog> blogs;
                    QString error;
                    if (!parseBlogsFeed(body, feedURL, &blogs, &error)) {
                        failed({ QString(), error });
                        return;
                    }
                    finished(blogs);
                },
                failed);
        },
        failed);
}

void GDataServiceGoogle::insertEntry(
    const Entry& entry, const QUrl& postURL, EntryFinished finished, Failed failed)
{
    withToken(
        [this, entry, postURL, finished, failed] {
            QNetworkRequest post = request(postURL);
            post.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/atom+xml"));
            whenDone(
                m_network.post(post, atomEntry(entry)),
                [finished, failed](int status, const QByteArray& body) {
                    if (status == 200 || status == 201)
                        finished();
                    else
                        failed(statusFailure(status, body));
                },
                failed);
        },
        failed);
}

QByteArray GDataServiceGoogle::atomEntry(const Entry& entry)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartDocument();
    writer.writeDefaultNamespace(atomNamespace);
    writer.writeStartElement(atomNamespace, QStringLiteral("entry"));
    writer.writeStartElement(atomNamespace, QStringLiteral("title"));
    writer.writeAttribute(QStringLiteral("type"), QStringLiteral("text"));
    writer.writeCharacters(entry.title);
    writer.writeEndElement();
    writer.writeStartElement(atomNamespace, QStringLiteral("content"));
    writer.writeAttribute(QStringLiteral("type"), QStringLiteral("html"));
    writer.writeCharacters(entry.content);
    writer.writeEndElement();
    writer.writeStartElement(atomNamespace, QStringLiteral("author"));
    writer.writeTextElement(atomNamespace, QStringLiteral("name"), entry.authorName);
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

bool GDataServiceGoogle::parseBlogsFeed(
    const QByteArray& feed, const QUrl& base, QList<Blog>* blogs, QString* error)
{
    QXmlStreamReader reader(feed);
    QList<Blog> found;
    bool inEntry = false;
    bool sawFeed = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.namespaceUri() == atomNamespace) {
            const auto name = reader.name();
            if (name == u"feed") {
                sawFeed = true;
            } else if (name == u"entry") {
                inEntry = true;
                found.append(Blog {});
            } else if (inEntry && name == u"title") {
                found.last().title = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            } else if (inEntry && name == u"link"
                && reader.attributes().value(QStringLiteral("rel")) == kPostLinkRelation) {
                found.last().postURL
                    = base.resolved(QUrl(reader.attributes().value(QStringLiteral("href")).toString()));
            }
        } else if (reader.isEndElement() && reader.namespaceUri() == atomNamespace
            && reader.name() == u"entry") {
            inEntry = false;
        }
    }
    if (reader.hasError() || !sawFeed) {
        *error = tr("The blog service's list of blogs could not be read (%1).")
                     .arg(reader.hasError() ? reader.errorString() : tr("no feed"));
        return false;
    }
    *blogs = found;
    return true;
}
