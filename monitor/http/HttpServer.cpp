#include "HttpServer.h"

#include "WebSecurity.h"

#include <httplib.h>  // for the HTTPS side's destructor

#include <civetweb.h>

#include <QDateTime>
#include <QLocale>
#include <QUrl>
#include <QUrlQuery>

#include <arpa/inet.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
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

// Whether the client takes gzip: "Accept-Encoding: gzip" (also "*", or in
// a list); a q of 0 refuses it.
bool TakesGzip(const char *header)
{
    if (header == nullptr) {
        return false;
    }
    for (const QByteArray &item : QByteArray(header).split(',')) {
        const QList<QByteArray> parts = item.split(';');
        const QByteArray coding = parts[0].trimmed().toLower();
        if (coding != "gzip" && coding != "x-gzip" && coding != "*") {
            continue;
        }
        double q = 1;
        for (int i = 1; i < parts.size(); ++i) {
            const QByteArray parameter = parts[i].trimmed().toLower();
            if (parameter.startsWith("q=")) {
                q = parameter.mid(2).toDouble();
            }
        }
        return q > 0;
    }
    return false;
}

// `data` as a gzip file; empty when zlib fails. The fastest level: text
// of many alike lines shrinks twentyfold even so, and a scrape must stay quick.
QByteArray Gzip(const QByteArray &data)
{
    z_stream stream = {};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return QByteArray();
    }
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return QByteArray();
    }
    out.resize(int(stream.total_out));
    return out;
}

// Below this a body goes as it is: gzip would save less than its cost.
constexpr int kGzipFromBytes = 1024;

void Send(mg_connection *connection, HttpResponse response, bool gzip, bool withBody,
          const char *allow)
{
    QByteArray compressed;
    if (gzip && response.body.size() >= kGzipFromBytes) {
        compressed = Gzip(response.body);
    }
    if (!compressed.isEmpty()) {
        response.body = compressed;
    }
    mg_response_header_start(connection, response.status);
    if (!compressed.isEmpty()) {
        mg_response_header_add(connection, "Content-Encoding", "gzip", -1);
    }
    // A cache between would otherwise give the gzipped answer to any client.
    mg_response_header_add(connection, "Vary", "Accept-Encoding", -1);
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
    if (response.status == 401) {
        mg_response_header_add(connection, "WWW-Authenticate",
                               "Basic realm=\"qvt-monitord\", charset=\"UTF-8\"", -1);
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

HttpServer::HttpServer(const QString &address, quint16 port, const WebConfig &web)
    : m_address(address), m_port(port), m_web(web), m_auth(std::make_unique<BasicAuth>(web.users))
{}

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
    if (m_web.tls) {
        QString why;
        m_started = true;
        return StartTls(&why) || fail(why);
    }

    const std::pair<const char *, QByteArray> settings[] = {
        {"listening_ports", QStringLiteral("%1:%2").arg(m_address).arg(m_port).toLatin1()},
        {"num_threads", QByteArray::number(kWorkerThreads)},
        // Accepted connections wait for a worker, more in the kernel's backlog.
        {"connection_queue", "64"},
        {"listen_backlog", "128"},
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
    if (m_tls) {
        m_tls->stop();
        m_tlsThread.join();
        m_tls.reset();
        m_deadlines.reset();
    }
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

HttpServer::Answer HttpServer::Respond(const QByteArray &method, const QString &path,
                                       const QList<QPair<QString, QString>> &query,
                                       const char *authorization) const
{
    Answer answer;
    HttpResponse &response = answer.response;
    const auto route = m_routes.constFind(path);
    if (!m_auth->Allows(authorization)) {
        response = PlainText(401, "unauthorized\n");
    } else if (route == m_routes.constEnd()) {
        response = PlainText(404, "not found\n");
    } else if (method != "GET" && method != "HEAD") {
        response = PlainText(405, "only GET and HEAD\n");
        answer.allow = "GET, HEAD";
    } else {
        const HttpRequest request{method, path, query};
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
    return answer;
}

int HttpServer::Serve(mg_connection *connection) const
{
    const mg_request_info *info = mg_get_request_info(connection);
    const QByteArray method(info->request_method);
    const QString path = QString::fromUtf8(info->local_uri != nullptr ? info->local_uri : "");
    const Answer answer = Respond(method, path, ParseQuery(info->query_string),
                                  mg_get_header(connection, "Authorization"));
    Send(connection, answer.response, TakesGzip(mg_get_header(connection, "Accept-Encoding")),
         method != "HEAD", answer.allow);
    return answer.response.status;
}
