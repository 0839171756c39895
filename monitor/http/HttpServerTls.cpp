// HttpServer's HTTPS side, on cpp-httplib.

#include "HttpServer.h"

#include "WebSecurity.h"

#include <httplib.h>

#include <QThread>

#include <cerrno>
#include <cstring>
#include <deque>

namespace {

// cpp-httplib's thread pool, with a bound on the connections that wait for
// a worker: past it the listening thread waits, and further clients wait in
// the kernel's backlog instead of each holding a file of this process.
class BoundedPool final : public httplib::TaskQueue
{
public:
    BoundedPool(int threads, int waiting) : m_waiting(size_t(waiting))
    {
        for (int i = 0; i < threads; ++i) {
            m_threads.emplace_back([this] { Work(); });
        }
    }

    void enqueue(std::function<void()> job) override
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_room.wait(lock, [this] { return m_jobs.size() < m_waiting || m_shutdown; });
        m_jobs.push_back(std::move(job));
        m_work.notify_one();
    }

    void shutdown() override
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_shutdown = true;
        }
        m_work.notify_all();
        m_room.notify_all();
        for (std::thread &thread : m_threads) {
            thread.join();
        }
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_work.wait(lock, [this] { return !m_jobs.empty() || m_shutdown; });
                if (m_jobs.empty()) {
                    return;  // shut down, nothing left
                }
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            m_room.notify_one();
            job();
        }
    }

    const size_t m_waiting;
    std::mutex m_lock;
    std::condition_variable m_work, m_room;
    std::deque<std::function<void()>> m_jobs;
    bool m_shutdown = false;
    std::vector<std::thread> m_threads;
};

}  // namespace

bool HttpServer::StartTls(QString *why)
{
    QString setup;
    m_deadlines = std::make_unique<TlsDeadlines>(std::chrono::milliseconds(kConnectionDeadlineMs));
    m_tls = std::make_unique<httplib::SSLServer>([this, &setup](SSL_CTX &context) {
        m_deadlines->Install(&context);
        return WebSecurity::ConfigureTls(&context, m_web, &setup);
    });
    if (!m_tls->is_valid()) {
        *why =
            QStringLiteral("TLS: %1").arg(setup.isEmpty() ? QStringLiteral("no context") : setup);
        m_tls.reset();
        return false;
    }
    m_tls->new_task_queue = [] { return new BoundedPool(kWorkerThreads, kWorkerThreads); };
    m_tls->set_read_timeout(kRequestTimeoutMs / 1000);
    m_tls->set_write_timeout(kRequestTimeoutMs / 1000);
    // One request a connection: a connection's deadline then bounds a
    // request, and an idle kept-alive one holds no worker.
    m_tls->set_keep_alive_max_count(1);
    m_tls->set_payload_max_length(kMaxRequestBytes);
    const auto handler = [this](const httplib::Request &request, httplib::Response &result) {
        QList<QPair<QString, QString>> query;
        for (const auto &param : request.params) {
            query.append(
                {QString::fromStdString(param.first), QString::fromStdString(param.second)});
        }
        const std::string authorization = request.get_header_value("Authorization");
        const Answer answer =
            Respond(QByteArray::fromStdString(request.method), QString::fromStdString(request.path),
                    query, request.has_header("Authorization") ? authorization.c_str() : nullptr);
        const HttpResponse &response = answer.response;
        result.status = response.status;
        // cpp-httplib gzips itself for a client that takes it.
        result.set_content(response.body.toStdString(), response.contentType.toStdString());
        result.set_header("Cache-Control", "no-store");
        result.set_header("Vary", "Accept-Encoding");
        if (answer.allow != nullptr) {
            result.set_header("Allow", answer.allow);
        }
        if (response.status == 401) {
            result.set_header("WWW-Authenticate",
                              "Basic realm=\"qvt-monitord\", charset=\"UTF-8\"");
        }
    };
    const std::string any = ".*";
    m_tls->Get(any, handler).Post(any, handler).Put(any, handler).Delete(any, handler);
    m_tls->Patch(any, handler).Options(any, handler);
    // cpp-httplib's own choice, SO_REUSEPORT alone, lets a second service
    // share the port, and cannot bind while the connections of a service
    // before it on plain HTTP linger (a restart with TLS newly configured).
    // SO_REUSEADDR, as civetweb's, does neither.
    m_tls->set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    const std::string host = m_address.toStdString();
    const int port = m_port == 0 ? m_tls->bind_to_any_port(host)
                                 : (m_tls->bind_to_port(host, m_port) ? int(m_port) : -1);
    if (port <= 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        m_tls.reset();
        return false;
    }
    m_port = quint16(port);
    m_tlsThread = std::thread([this] { m_tls->listen_after_bind(); });
    // cpp-httplib's stop() does nothing until its loop runs: a Stop() right
    // after Start() would wait for ever.
    while (!m_tls->is_running()) {
        QThread::msleep(1);
    }
    return true;
}

int HttpServer::TlsCutOff() const
{
    return m_deadlines ? m_deadlines->CutOff() : 0;
}
