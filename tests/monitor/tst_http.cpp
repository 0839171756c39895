#include "../common/FreeLoopback.h"
#include "../common/JoiningThread.h"
#include "Exposition.h"
#include "HttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QtTest>

#include <sys/time.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QByteArray kPlain = "text/plain; charset=utf-8";

HttpResponse Metrics(const HttpRequest &)
{
    MetricFamily up{"qvt_up", "Whether the device answers.", MetricType::Gauge, {}};
    up.Add(1, {{"device", "studio-a"}});
    return {200, Exposition::kContentType, Exposition::Text({up})};
}

// GET /snapshot over a plain socket: what came back until the server closed.
// No Qt, as the threads test calls it from several threads at once.
std::string GetSnapshot(quint32 address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval wait = {10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    static const char request[] = "GET /snapshot HTTP/1.0\r\n\r\n";
    std::string answer;
    char buffer[4096];
    ssize_t got = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0 &&
        ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) > 0) {
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    return answer;
}

}  // namespace

class TstHttp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.Get("/metrics", Metrics));
        QVERIFY(m_server.Get("/echo", [](const HttpRequest &request) {
            return HttpResponse{200, kPlain, request.Param("x", "none").toUtf8()};
        }));
        QVERIFY(m_server.Get("/fails", [](const HttpRequest &) -> HttpResponse {
            throw std::runtime_error("broken");
        }));
        QVERIFY(!m_server.Get("relative", Metrics));
        QString error;
        QVERIFY2(m_server.Start(&error), qPrintable(error));
        QVERIFY(m_server.Port() != 0);
        QVERIFY(!m_server.Get("/late", Metrics));
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *name, const char *method, const char *target, int status,
                            const QByteArray &body) {
            QTest::newRow(name) << QByteArray(method) << QString(target) << status << body;
        };
        row("GET", "GET", "/metrics", 200, Metrics({}).body);
        row("HEAD: no body", "HEAD", "/metrics", 200, "");
        row("query, decoded", "GET", "/echo?y&x=a%2Bb+c&x=2", 200, "a+b c");
        row("no query", "GET", "/echo", 200, "none");
        row("unknown path", "GET", "/other", 404, "not found\n");
        row("trailing slash", "GET", "/metrics/", 404, "not found\n");
        row("POST", "POST", "/metrics", 405, "only GET and HEAD\n");
        row("DELETE", "DELETE", "/echo?x=1", 405, "only GET and HEAD\n");
        row("POST, unknown path", "POST", "/other", 404, "not found\n");
        row("handler throws", "GET", "/fails", 500, "internal error\n");
    }

    void requests()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, target);
        QFETCH(int, status);
        if (target == "/fails") {
            QTest::ignoreMessage(QtWarningMsg, "http server: GET /fails: broken");
        }
        if (!m_manager) {
            // Made here, not for the threads test: its own threads hand data
            // over inside Qt, where ThreadSanitizer cannot see the locks.
            m_manager = std::make_unique<QNetworkAccessManager>();
            m_manager->setProxy(QNetworkProxy::NoProxy);
        }
        const QNetworkRequest request(
            QUrl(QStringLiteral("http://%1:%2%3").arg(m_address).arg(m_server.Port()).arg(target)));
        std::unique_ptr<QNetworkReply> reply(method == "HEAD"
                                                 ? m_manager->head(request)
                                                 : m_manager->sendCustomRequest(request, method));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(reply->isFinished() || finished.wait(10000));
        const QByteArray body = reply->readAll();
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QTEST(body, "body");
        const bool metrics = status == 200 && target == "/metrics";
        QCOMPARE(reply->rawHeader("Content-Type"),
                 metrics ? QByteArray(Exposition::kContentType) : kPlain);
        QCOMPARE(reply->rawHeader("Allow"), QByteArray(status == 405 ? "GET, HEAD" : ""));
        // A HEAD tells the length of what a GET would bring.
        QCOMPARE(reply->rawHeader("Content-Length"),
                 QByteArray::number(metrics ? Metrics({}).body.size() : body.size()));
    }

    // A port taken, or an address that is none, fails Start() with the reason.
    void bindFailures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("reason");
        QTest::newRow("port taken")
            << m_address << int(m_server.Port()) << "Address already in use";
        QTest::newRow("not an address") << "127.0.0.256" << 0 << "not an IPv4 address";
    }

    void bindFailures()
    {
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(QString, reason);
        HttpServer second(address, static_cast<quint16>(port));
        QString error;
        QVERIFY(!second.Start(&error));
        QVERIFY2(error.contains(QStringLiteral("%1:%2").arg(address).arg(port)), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!second.IsRunning());
    }

    // Several clients at once while the owner keeps replacing what the
    // handler serves under a lock. scripts/test also runs it under
    // ThreadSanitizer.
    void concurrentScrapes()
    {
        constexpr int kClients = 4, kRequests = 25;
        std::mutex lock;
        QByteArray snapshot = "0";
        HttpServer server(m_address);
        QVERIFY(server.Get("/snapshot", [&](const HttpRequest &) {
            std::lock_guard<std::mutex> guard(lock);
            return HttpResponse{200, kPlain, snapshot};
        }));
        QVERIFY(server.Start());
        std::atomic<int> answered{0}, done{0};
        {
            std::vector<std::unique_ptr<JoiningThread>> clients;
            for (int i = 0; i < kClients; ++i) {
                clients.push_back(std::make_unique<JoiningThread>([&] {
                    for (int n = 0; n < kRequests; ++n) {
                        const std::string answer = GetSnapshot(m_loopback, server.Port());
                        answered += answer.rfind("HTTP/1.0 200 OK\r\n", 0) == 0 ? 1 : 0;
                    }
                    ++done;
                }));
            }
            for (int n = 1; done < kClients; ++n) {
                std::lock_guard<std::mutex> guard(lock);
                snapshot = QByteArray::number(n);
            }
        }
        QCOMPARE(answered.load(), kClients * kRequests);
    }

private:
    const quint32 m_loopback = TestLoopback({});
    const QString m_address = LoopbackText(m_loopback);
    HttpServer m_server{m_address};
    std::unique_ptr<QNetworkAccessManager> m_manager;
};

QTEST_GUILESS_MAIN(TstHttp)
#include "tst_http.moc"
