#include "WebServiceStub.h"

#include "EventLoopWait.h"
#include "PropertyList.h"

#include <QHostAddress>
#include <algorithm>

QByteArray WebServiceStub::Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

WebServiceStub::Reply WebServiceStub::Reply::plist(const QVariant& value, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = PropertyList::dataWithPropertyList(value, PropertyList::Format::Xml);
    return reply;
}

WebServiceStub::Reply WebServiceStub::Reply::text(
    const QByteArray& body, const QByteArray& contentType, int status)
{
    Reply reply;
    reply.status = status;
    reply.contentType = contentType;
    reply.body = body;
    return reply;
}

WebServiceStub::WebServiceStub()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &WebServiceStub::accept);
}

WebServiceStub::~WebServiceStub()
{
    m_server.close();
}

QUrl WebServiceStub::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()));
}

void WebServiceStub::route(const QByteArray& method, const QByteArray& path, Reply reply)
{
    route(method, path, [reply](const Request&) { return reply; });
}

void WebServiceStub::route(const QByteArray& method, const QByteArray& path, Handler handler)
{
    m_routes.insert(method + ' ' + path, std::move(handler));
}

void WebServiceStub::failNext(int count, Reply fault)
{
    for (int i = 0; i < count; ++i)
        m_faults.append(fault);
}

void WebServiceStub::releaseHeld()
{
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held& entry : held) {
        if (entry.socket) {
            Reply reply = entry.reply;
            reply.hold = false;
            send(entry.socket, reply);
        }
    }
}

void WebServiceStub::settle()
{
    releaseHeld();
    waitUntil(
        [this] {
            const auto sockets = m_connections.keys();
            return std::all_of(sockets.cbegin(), sockets.cend(),
                [](QTcpSocket* socket) { return socket->state() == QAbstractSocket::UnconnectedState; });
        },
        5000);
}

void WebServiceStub::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_connections.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void WebServiceStub::read(QTcpSocket* socket)
{
    Connection& connection = m_connections[socket];
    connection.buffer += socket->readAll();
    for (;;) {
        const qsizetype headEnd = connection.buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QList<QByteArray> lines = connection.buffer.left(headEnd).split('\n');
        Request request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        qint64 length = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i);
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({ name, value });
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                length = value.toLongLong();
        }
        if (connection.buffer.size() < headEnd + 4 + length)
            return;
        request.body = connection.buffer.mid(headEnd + 4, length);
        connection.buffer.remove(0, headEnd + 4 + length);
        m_requests.append(request);
        answer(socket, request);
    }
}

void WebServiceStub::answer(QTcpSocket* socket, const Request& request)
{
    Reply reply;
    if (!m_faults.isEmpty()) {
        reply = m_faults.takeFirst();
    } else {
        const auto found = m_routes.constFind(request.method + ' ' + request.path());
        if (found != m_routes.cend())
            reply = (*found)(request);
        else
            reply = Reply::text({}, "text/plain", 404);
    }
    if (reply.hold) {
        m_held.append({ socket, reply });
        return;
    }
    send(socket, reply);
}

void WebServiceStub::send(QTcpSocket* socket, const Reply& reply)
{
    if (reply.drop) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Stub\r\n";
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    const qint64 length = reply.claimedLength >= 0 ? reply.claimedLength : reply.body.size();
    head += "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    if (reply.claimedLength < 0)
        socket->write(reply.body);
    socket->disconnectFromHost();
}
