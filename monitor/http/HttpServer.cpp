#include "HttpServer.h"

#include <civetweb.h>

#include <QDateTime>
#include <QLocale>
#include <QUrl>
#include <QUrlQuery>

#include <arpa/inet.h>

#include <exception>
#include <utility>
#include <vector>

namespace {

// civetweb's process-wide state: mg_init_library and mg_exit_library count
// their calls, so each running server holds one, but they are not
// thread-safe.
std::mutex g_libraryLock;

void InitLibrary()
{
    std::lock_guard<std::mutex> lock(g_libraryLock);
    mg_init_library(0);
}

void ExitLibrary()
{
    std::lock_guard<std::mutex> lock(g_libraryLock);
    mg_exit_library();
}

QList<QPair<QString, QString>> ParseQuery(const char *raw)
{
    if (raw == nullptr) {
        return {};
    }
    // Form encoding: '+' stands for a space; a plus itself comes as %2B.
    const QUrlQuery query(QString::fromUtf8(raw).replace(QLatin1Char('+'), QStringLiteral("%20")));
    return query.queryItems(QUrl::FullyDecoded);
}

HttpResponse PlainText(int status, const char *text)
{
    return HttpResponse{status, "text/plain; charset=utf-8", QByteArray(text)};
}

void Send(mg_connection *connection, const HttpResponse &response, bool withBody, const char *allow)
{
    mg_response_header_start(connection, response.status);
    mg_response_header_add(connection, "Content-Type", response.contentType.constData(),
                           response.contentType.size());
    const QByteArray length = QByteArray::number(response.body.size());
    mg_response_header_add(connection, "Content-Length", length.constData(), length.size());
    // What it serves is live state: never to be answered from a cache.
    mg_response_header_add(connection, "Cache-Control", "no-store", -1);
    // civetweb writes the Date itself with gmtime(), whose one static result
    // the worker threads would share; given here, it writes none.
    const QByteArray date =
        QLocale::c()
            .toString(QDateTime::currentDateTimeUtc(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"))
            .toLatin1() +
        " GMT";
    mg_response_header_add(connection, "Date", date.constData(), date.size());
    if (allow != nullptr) {
        mg_response_header_add(connection, "Allow", allow, -1);
    }
    mg_response_header_send(connection);
    if (withBody && !response.body.isEmpty()) {
        mg_write(connection, response.body.constData(), static_cast<size_t>(response.body.size()));
    }
}

}  // namespace

QString HttpRequest::Param(const QString &name, const QString &fallback) const
{
    for (const auto &item : query) {
        if (item.first == name) {
            return item.second;
        }
    }
    return fallback;
}

HttpServer::HttpServer(const QString &address, quint16 port) : m_address(address), m_port(port) {}

HttpServer::~HttpServer()
{
    Stop();
}

bool HttpServer::Get(const QString &path, Handler handler)
{
    if (m_started || !path.startsWith(QLatin1Char('/')) || !handler) {
        return false;
    }
    m_routes.insert(path, std::move(handler));
    return true;
}

bool HttpServer::Start(QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot serve HTTP on %1:%2: %3")
                         .arg(m_address)
                         .arg(m_port)
                         .arg(why);
        }
        return false;
    };
    if (m_started) {
        return fail(m_context != nullptr ? QStringLiteral("already serving")
                                         : QStringLiteral("a stopped server does not start again"));
    }
    // civetweb takes the address as text and, as Debian builds it, IPv4 only.
    in_addr parsed = {};
    if (inet_pton(AF_INET, m_address.toLatin1().constData(), &parsed) != 1) {
        return fail(QStringLiteral("not an IPv4 address"));
    }

    const std::pair<const char *, QByteArray> settings[] = {
        {"listening_ports", QStringLiteral("%1:%2").arg(m_address).arg(m_port).toLatin1()},
        {"num_threads", QByteArray::number(kWorkerThreads)},
        // A few accepted connections wait for a worker, a few more in the
        // kernel's backlog.
        {"connection_queue", "8"},
        {"listen_backlog", "16"},
        {"max_request_size", QByteArray::number(kMaxRequestBytes)},
        {"request_timeout_ms", QByteArray::number(kRequestTimeoutMs)},
        // An idle kept-alive connection would hold one of the few workers.
        {"enable_keep_alive", "no"},
        // No cross-origin headers: a web page open on this host cannot read
        // the answers.
        {"access_control_allow_origin", ""},
    };
    std::vector<const char *> options;
    for (const auto &[name, value] : settings) {
        options.push_back(name);
        options.push_back(value.constData());
    }
    options.push_back(nullptr);

    mg_callbacks callbacks = {};
    callbacks.log_message = &HttpServer::OnLog;
    mg_init_data init = {&callbacks, this, options.data()};
    char text[256] = {};
    unsigned code = 0;
    mg_error_data failure = {&code, text, sizeof text};

    {
        std::lock_guard<std::mutex> lock(m_logLock);
        m_collectLog = true;
        m_startLog.clear();
    }
    InitLibrary();
    m_context = mg_start2(&init, &failure);
    QStringList log;
    {
        std::lock_guard<std::mutex> lock(m_logLock);
        m_collectLog = false;
        log.swap(m_startLog);
    }
    if (m_context == nullptr) {
        ExitLibrary();
        // civetweb's own text is generic ("Failed to setup server ports");
        // the first line it logged names the cause.
        return fail(log.isEmpty() ? QString::fromUtf8(text) : log.first());
    }
    m_started = true;

    mg_server_port bound[2] = {};
    if (mg_get_server_ports(m_context, 2, bound) >= 1) {
        m_port = static_cast<quint16>(bound[0].port);
    }
    // Every path comes here, so that one place answers 404 and 405. Until
    // this line civetweb itself answers 404 (it has no files to serve).
    mg_set_request_handler(m_context, "/", &HttpServer::OnRequest, this);
    return true;
}

void HttpServer::Stop()
{
    if (m_context != nullptr) {
        mg_stop(m_context);  // returns once the worker threads have ended
        m_context = nullptr;
        ExitLibrary();
    }
}

int HttpServer::OnRequest(mg_connection *connection, void *self)
{
    return static_cast<const HttpServer *>(self)->Serve(connection);
}

int HttpServer::OnLog(const mg_connection *connection, const char *message)
{
    const QString text = QString::fromUtf8(message).trimmed();
    auto *self = static_cast<HttpServer *>(mg_get_user_data(mg_get_context(connection)));
    if (self != nullptr) {
        std::lock_guard<std::mutex> lock(self->m_logLock);
        if (self->m_collectLog) {
            self->m_startLog.append(text);
            return 1;
        }
    }
    qWarning("http server: %s", qUtf8Printable(text));
    return 1;  // logged: civetweb prints nothing itself
}

int HttpServer::Serve(mg_connection *connection) const
{
    const mg_request_info *info = mg_get_request_info(connection);
    const QByteArray method(info->request_method);
    const bool head = method == "HEAD";
    const QString path = QString::fromUtf8(info->local_uri != nullptr ? info->local_uri : "");
    const auto route = m_routes.constFind(path);

    HttpResponse response;
    const char *allow = nullptr;
    if (route == m_routes.constEnd()) {
        response = PlainText(404, "not found\n");
    } else if (method != "GET" && !head) {
        response = PlainText(405, "only GET and HEAD\n");
        allow = "GET, HEAD";
    } else {
        const HttpRequest request{method, path, ParseQuery(info->query_string)};
        try {
            response = route.value()(request);
        } catch (const std::exception &e) {
            qWarning("http server: %s %s: %s", method.constData(), qUtf8Printable(path), e.what());
            response = PlainText(500, "internal error\n");
        } catch (...) {
            qWarning("http server: %s %s failed", method.constData(), qUtf8Printable(path));
            response = PlainText(500, "internal error\n");
        }
        if (response.status < 100 || response.status > 599) {
            qWarning("http server: %s answered status %d", qUtf8Printable(path), response.status);
            response = PlainText(500, "internal error\n");
        }
    }
    Send(connection, response, !head, allow);
    return response.status;
}
