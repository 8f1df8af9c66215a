#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QVariant>
#include <functional>

// A stand-in for the web recipe service on the loopback interface: it records every request
// byte for byte and answers from routes that a test sets. Faults are injected per request:
// fail the next N with a status, drop them (close without answering) or hold them (no answer
// until released). Main thread only.
class WebServiceStub : public QObject
{
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray target; // as on the request line: path and query
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray header(const QByteArray& name) const;
        QByteArray path() const
        {
            return target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        }
        QByteArray query() const
        {
            return target.indexOf('?') < 0 ? QByteArray() : target.mid(target.indexOf('?') + 1);
        }
    };

    struct Reply {
        int status = 200;
        QByteArray contentType = "application/xml";
        QByteArray body;
        bool hold = false; // answer only once released
        bool drop = false; // close the connection without answering
        // Sent in the head, without a body, to claim a length.
        qint64 claimedLength = -1;
        // Further header lines of the head.
        QList<QPair<QByteArray, QByteArray>> headers;

        static Reply plist(const QVariant& value, int status = 200);
        static Reply text(
            const QByteArray& body, const QByteArray& contentType = "text/plain", int status = 200);
    };

    using Handler = std::function<Reply(const Request& request)>;

    WebServiceStub();
    ~WebServiceStub() override;

    // "http://127.0.0.1:<port>/"
    QUrl baseURL() const;

    // Answers requests whose method and path (no query) match; a later route for the same pair
    // replaces the earlier. Unmatched requests get 404 with an empty body.
    void route(const QByteArray& method, const QByteArray& path, Reply reply);
    void route(const QByteArray& method, const QByteArray& path, Handler handler);
    // The next `count` requests get `fault` instead of their route.
    void failNext(int count, Reply fault);
    // Answers the held requests with their replies.
    void releaseHeld();
    int heldCount() const { return int(m_held.size()); }

    // Connections the client has not closed yet.
    int openConnectionCount() const { return int(m_connections.size()); }
    // Runs the event loop until every held request is answered and every connection is closed,
    // so that no exchange is left half-way when a test ends.
    void settle();

    const QList<Request>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

private:
    struct Connection {
        QByteArray buffer;
    };
    struct Held {
        QPointer<QTcpSocket> socket;
        Reply reply;
    };

    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);
    static void send(QTcpSocket* socket, const Reply& reply);

    QTcpServer m_server;
    QHash<QTcpSocket*, Connection> m_connections;
    QHash<QByteArray, Handler> m_routes;
    QList<Reply> m_faults;
    QList<Held> m_held;
    QList<Request> m_requests;
};
