#pragma once

#include "WebConfig.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <mutex>

#include <thread>

class BasicAuth;
class TlsDeadlines;
namespace httplib {
class SSLServer;
}

struct mg_connection;
struct mg_context;

// One request as a route's handler sees it: the path and the decoded query
// parameters, in the order the client sent them.
struct HttpRequest {
    QByteArray method;  // "GET" or "HEAD"; a HEAD gets the GET's headers without the body
    QString path;
    QList<QPair<QString, QString>> query;

    // The first value of the parameter `name`, or `fallback` when it is absent.
    QString Param(const QString &name, const QString &fallback = QString()) const;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
};

// A small read-only HTTP server: worker threads enough that slow clients
// cannot take them all, no files, routes matched by exact path; answers of
// 1 KiB or more gzipped for a client that takes gzip. Plain HTTP runs on
// civetweb (no keep-alive, and a time-out for the whole request), HTTPS on
// cpp-httplib: Debian's civetweb loads an OpenSSL older than Debian's.
//
//   - A registered path answers GET and HEAD; any other method gets 405 with
//     "Allow: GET, HEAD".
//   - A path that is not registered gets 404, whatever the method.
//   - A handler that throws gets the client a 500.
//   - With a web configuration (WebConfig.h): HTTPS only, and with its users
//     every path asks for a password (401 without the right one).
//
// Handlers run on the server's worker threads, several at a time, never on
// the thread that owns the server: they must be thread-safe (read a snapshot
// taken under a lock, for instance) and should answer quickly.
//
// Routes are fixed once Start() has been called; Start, Stop and the
// destructor belong to the owning thread.
class HttpServer final
{
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    // `address` is an IPv4 address to listen on; port 0 picks a free port,
    // which Port() tells after Start(). `web`: TLS and passwords.
    explicit HttpServer(const QString &address = QStringLiteral("127.0.0.1"), quint16 port = 0,
                        const WebConfig &web = WebConfig());
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Serves `path` (e.g. "/metrics") with `handler`; false once started or
    // for a path that does not start with '/'.
    bool Get(const QString &path, Handler handler);

    // Binds and starts the worker threads. On failure returns false and, when
    // `error` is given, says why (the address is taken, not on this host...).
    bool Start(QString *error = nullptr);
    // Stops listening and waits for the requests in progress; a stopped
    // server cannot be started again. Also done by the destructor. It takes
    // up to two seconds: civetweb's listening thread sees the stop between
    // polls of that length.
    void Stop();

    bool IsRunning() const { return m_context != nullptr || m_tls != nullptr; }
    QString Address() const { return m_address; }
    // The port bound, once started; the one asked for before.
    quint16 Port() const { return m_port; }

    // The worker threads, request size and timeout the server runs with. A
    // client that sends its request slowly holds a worker; the time-out
    // counts from its last byte (in both libraries), so one that sends a
    // byte now and then is cut off only at the request size: with this many
    // workers fifty such clients leave the scrapes some.
    static constexpr int kWorkerThreads = 64;
    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kRequestTimeoutMs = 5000;
    // HTTPS: a connection is cut off this long after its handshake began,
    // however its client keeps sending.
    static constexpr int kConnectionDeadlineMs = 10000;

    // HTTPS connections cut off at their deadline so far.
    int TlsCutOff() const;

private:
    // What a request gets, whichever server took it; `allow` for a 405.
    struct Answer {
        HttpResponse response;
        const char *allow = nullptr;
    };
    Answer Respond(const QByteArray &method, const QString &path,
                   const QList<QPair<QString, QString>> &query, const char *authorization) const;
    bool StartTls(QString *why);
    static int OnRequest(mg_connection *connection, void *self);
    static int OnLog(const mg_connection *connection, const char *message);
    int Serve(mg_connection *connection) const;

    QString m_address;
    quint16 m_port;
    WebConfig m_web;
    std::unique_ptr<BasicAuth> m_auth;
    QHash<QString, Handler> m_routes;
    mg_context *m_context = nullptr;
    std::unique_ptr<TlsDeadlines> m_deadlines;  // outlives m_tls's connections
    std::unique_ptr<httplib::SSLServer> m_tls;
    std::thread m_tlsThread;
    bool m_started = false;
    // The lines civetweb logs while Start() runs tell why a bind failed,
    // which its own error text does not; later lines go to qWarning().
    std::mutex m_logLock;
    bool m_collectLog = false;
    QStringList m_startLog;
};
