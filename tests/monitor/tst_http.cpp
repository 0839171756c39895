#include "../common/FreeLoopback.h"
#include "../common/JoiningThread.h"
#include "../common/WebFiles.h"
#include "Exposition.h"
#include "HttpServer.h"
#include "ProcessMetrics.h"
#include "WebConfig.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QtTest>

#include <sys/resource.h>
#include <sys/time.h>
#include <zlib.h>

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
    return {200, Exposition::kContentType,
            Exposition::Head("qvt_up", "gauge", "Whether the device answers.") +
                "qvt_up{device=\"studio-a\"} 1\n"};
}

int Connect(quint32 address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval wait = {10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// `request` over a plain socket: what came back until the server closed.
QByteArray Fetch(quint32 address, quint16 port, const QByteArray &request)
{
    const int fd = Connect(address, port);
    QByteArray answer;
    char buffer[4096];
    ssize_t got = 0;
    if (fd >= 0 && ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) > 0) {
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, int(got));
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return answer;
}

QByteArray Gunzip(const QByteArray &data)
{
    z_stream stream = {};
    QByteArray out(1 << 20, Qt::Uninitialized);
    if (inflateInit2(&stream, 15 + 16) != Z_OK) {
        return QByteArray();
    }
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    out.resize(result == Z_STREAM_END ? int(stream.total_out) : 0);
    return out;
}

// A metric's value in exposition text, NaN when absent.
double Value(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(name + ' ')) {
            return line.mid(name.size() + 1).toDouble();
        }
    }
    return qQNaN();
}

// GET /snapshot over a plain socket: what came back until the server closed.
// No Qt, as the threads test calls it from several threads at once.
std::string GetSnapshot(quint32 address, quint16 port)
{
    const int fd = Connect(address, port);
    static const char request[] = "GET /snapshot HTTP/1.0\r\n\r\n";
    std::string answer;
    char buffer[4096];
    ssize_t got = 0;
    if (fd >= 0 && ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) > 0) {
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<size_t>(got));
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
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
        QVERIFY(m_server.Get("/big", [](const HttpRequest &) {
            QByteArray text;
            for (int i = 0; i < 500; ++i) {
                text += "qvt_up{device=\"studio-" + QByteArray::number(i) + "\"} 1\n";
            }
            return HttpResponse{200, Exposition::kContentType, text};
        }));
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

    // gzip when the client takes it and the body is worth it; unpacked, the
    // same bytes.
    void gzip_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("accept");
        QTest::addColumn<bool>("gzipped");
        QTest::newRow("gzip") << "/big" << QByteArray("gzip") << true;
        QTest::newRow("in a list, any case") << "/big" << QByteArray("br, GZip;q=0.5") << true;
        QTest::newRow("anything") << "/big" << QByteArray("*") << true;
        QTest::newRow("gzip refused") << "/big" << QByteArray("gzip;q=0") << false;
        QTest::newRow("another coding") << "/big" << QByteArray("deflate") << false;
        QTest::newRow("none asked") << "/big" << QByteArray() << false;
        QTest::newRow("a small body") << "/metrics" << QByteArray("gzip") << false;
    }

    void gzip()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, accept);
        QFETCH(bool, gzipped);
        QByteArray request = "GET " + path.toLatin1() + " HTTP/1.0\r\n";
        if (!accept.isEmpty()) {
            request += "Accept-Encoding: " + accept + "\r\n";
        }
        const QByteArray answer = Fetch(m_loopback, m_server.Port(), request + "\r\n");
        const int end = answer.indexOf("\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.0 200") && end > 0, answer.constData());
        const QByteArray head = answer.left(end).toLower();
        const QByteArray body = answer.mid(end + 4);
        QCOMPARE(head.contains("\r\ncontent-encoding: gzip"), gzipped);
        QVERIFY(head.contains("\r\nvary: accept-encoding"));
        QVERIFY(head.contains("\r\ncontent-length: " + QByteArray::number(body.size())));
        const QByteArray plain =
            Fetch(m_loopback, m_server.Port(), "GET " + path.toLatin1() + " HTTP/1.0\r\n\r\n");
        const QByteArray expected = plain.mid(plain.indexOf("\r\n\r\n") + 4);
        QCOMPARE(gzipped ? Gunzip(body) : body, expected);
        if (gzipped) {
            QVERIFY(body.size() * 5 < expected.size());
        }
    }

    // Clients that never finish their request hold no scrape up, and each is
    // cut off after the time-out.
    void slowClients()
    {
        constexpr int kSlow = 40;
        std::vector<int> slow;
        for (int i = 0; i < kSlow; ++i) {
            const int fd = Connect(m_loopback, m_server.Port());
            QVERIFY(fd >= 0);
            QVERIFY(::send(fd, "GET /met", 8, MSG_NOSIGNAL) == 8);
            slow.push_back(fd);
        }
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 5; ++i) {
            QVERIFY(Fetch(m_loopback, m_server.Port(), "GET /metrics HTTP/1.0\r\n\r\n")
                        .startsWith("HTTP/1.0 200"));
        }
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        // One that sends nothing more is cut off once the time-out has passed
        // since its last byte (a byte now and then keeps a client on: hence
        // the many workers).
        char buffer[256];
        while (::recv(slow[0], buffer, sizeof buffer, 0) > 0) {
        }
        QVERIFY2(clock.elapsed() < HttpServer::kRequestTimeoutMs + 5000,
                 qPrintable(QString::number(clock.elapsed())));
        for (const int fd : slow) {
            ::close(fd);
        }
    }

    // HTTPS: clients that send a TLS record a byte at a time (each byte
    // within the read time-out) hold no scrape up, and each is cut off at
    // the connection's deadline, however it keeps sending.
    void tlsTricklers()
    {
        QTemporaryDir dir;
        const QString made = WebFiles::MakeCertificates(dir.path(), m_address);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        WebConfig web;
        web.tls = true;
        web.certFile = dir.filePath("server.crt");
        web.keyFile = dir.filePath("server.key");
        HttpServer server(m_address, 0, web);
        QVERIFY(server.Get("/metrics", Metrics));
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        // A second service on its port is refused, as over HTTP, not let in
        // to share the port's connections.
        HttpServer second(m_address, server.Port(), web);
        QVERIFY(!second.Start(&error));
        QVERIFY2(error.contains("Address already in use"), qPrintable(error));
        constexpr int kTricklers = 50;
        std::atomic<int> cut{0}, late{0};
        std::atomic<bool> stop{false};
        {
            std::vector<std::unique_ptr<JoiningThread>> tricklers;
            for (int i = 0; i < kTricklers; ++i) {
                tricklers.push_back(std::make_unique<JoiningThread>([&] {
                    QElapsedTimer clock;
                    clock.start();
                    const int fd = Connect(m_loopback, server.Port());
                    // A handshake record of 512 bytes, a byte every 300 ms.
                    const char header[] = {0x16, 0x03, 0x01, 0x02, 0x00};
                    bool open = fd >= 0 && ::send(fd, header, 5, MSG_NOSIGNAL) == 5;
                    char buffer[64];
                    while (open && !stop) {
                        QThread::msleep(300);
                        open = ::send(fd, "x", 1, MSG_NOSIGNAL) == 1 &&
                               ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) != 0;
                    }
                    if (!open) {
                        ++cut;
                        // Its deadline, from a handshake a loaded machine may
                        // start late; without one it would never end.
                        late += clock.elapsed() > 2 * HttpServer::kConnectionDeadlineMs;
                    }
                    if (fd >= 0) {
                        ::close(fd);
                    }
                }));
            }
            QTest::qWait(1000);  // every trickler connected and sending
            QElapsedTimer clock;
            clock.start();
            QSslSocket socket;
            QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
            ssl.setCaCertificates(QSslCertificate::fromPath(dir.filePath("ca.crt")));
            socket.setSslConfiguration(ssl);
            socket.connectToHostEncrypted(m_address, server.Port());
            QVERIFY2(socket.waitForEncrypted(5000), qPrintable(socket.errorString()));
            socket.write("GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
            QByteArray answer;
            while (socket.waitForReadyRead(5000)) {
                answer += socket.readAll();
            }
            QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
            QTRY_COMPARE_WITH_TIMEOUT(cut.load(), kTricklers,
                                      2 * HttpServer::kConnectionDeadlineMs + 5000);
            stop = true;
        }
        QCOMPARE(late.load(), 0);
        QVERIFY(server.TlsCutOff() >= kTricklers);
    }

    // The process's own figures, against what /proc and getrlimit say.
    void processMetrics()
    {
        // The server's threads may close sockets meanwhile: counted around it.
        const auto count = [] {
            return QDir("/proc/self/fd")
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .size();
        };
        const int before = count();
        const QByteArray text = ProcessMetricsText();
        const int after = count();
        const double fds = Value(text, "process_open_fds");
        QVERIFY2(fds >= qMin(before, after) - 1 && fds <= qMax(before, after) + 1,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(before).arg(fds).arg(after)));
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_NOFILE, &limit) == 0);
        QCOMPARE(Value(text, "process_max_fds"), double(limit.rlim_cur));
        QFile statm("/proc/self/statm");
        QVERIFY(statm.open(QIODevice::ReadOnly));
        const QList<QByteArray> pages = statm.readAll().split(' ');
        const double page = double(sysconf(_SC_PAGESIZE));
        const double resident = Value(text, "process_resident_memory_bytes");
        QVERIFY(qAbs(resident - pages.value(1).toDouble() * page) < resident * 0.2);
        QVERIFY(qAbs(Value(text, "process_virtual_memory_bytes") -
                     pages.value(0).toDouble() * page) < resident);
        const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000;
        const double started = Value(text, "process_start_time_seconds");
        QVERIFY2(started <= now + 1 && started > now - 600, text.constData());
        rusage usage{};
        QVERIFY(getrusage(RUSAGE_SELF, &usage) == 0);
        const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        QVERIFY2(qAbs(Value(text, "process_cpu_seconds_total") - cpu) < 0.2, text.constData());
        QVERIFY(text.contains("# TYPE process_cpu_seconds_total counter\n"));
    }

    // The exporters' web configuration file: what it sets, and each refusal.
    void webConfig_data()
    {
        QTest::addColumn<QByteArray>("yaml");
        QTest::addColumn<bool>("othersRead");
        QTest::addColumn<QString>("refusal");  // empty: read
        const QByteArray hash = "$2y$10$" + QByteArray(53, 'a');
        const QByteArray tls = "tls_server_config:\n  cert_file: c.pem\n  key_file: k.pem\n";
        const QByteArray users = "basic_auth_users:\n  prometheus: " + hash + "\n";
        QTest::newRow("TLS and a user") << tls + "  min_version: TLS13\n" + users << false << "";
        QTest::newRow("exporters' keys not applied")
            << tls +
                   "  cipher_suites: [TLS_AES_128_GCM_SHA256]\nhttp_server_config: {http2: true}\n"
            << true << "";
        QTest::newRow("empty file") << QByteArray() << true << "";
        QTest::newRow("not YAML") << QByteArray("tls_server_config: [a\n") << true << "yaml-cpp";
        QTest::newRow("unknown key")
            << QByteArray("basic_auth: {}\n") << true << "unknown key basic_auth";
        QTest::newRow("unknown TLS key") << tls + "  cert: x\n"
                                         << true << "tls_server_config has no key cert";
        QTest::newRow("no key file") << QByteArray("tls_server_config:\n  cert_file: c.pem\n")
                                     << true << "needs both cert_file and key_file";
        QTest::newRow("a file that is not there")
            << QByteArray("tls_server_config:\n  cert_file: c.pem\n  key_file: none.pem\n") << true
            << "none.pem";
        QTest::newRow("bad min_version") << tls + "  min_version: TLS14\n"
                                         << true << "min_version TLS14: one of";
        QTest::newRow("verify without a CA")
            << tls + "  client_auth_type: RequireAndVerifyClientCert\n"
            << true << "needs client_ca_file";
        QTest::newRow("a CA without client_auth_type") << tls + "  client_ca_file: c.pem\n"
                                                       << true << "without client_auth_type";
        QTest::newRow("allowed SANs, which would narrow who gets in")
            << tls +
                   "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: c.pem\n"
                   "  client_allowed_sans: [prometheus]\n"
            << true << "client_allowed_sans is not supported";
        QTest::newRow("the older RequireClientCert, empty users")
            << tls + "  client_auth_type: RequireClientCert\nbasic_auth_users:\n"
            << true << "";
        QTest::newRow("no bcrypt hash") << QByteArray("basic_auth_users:\n  p: secret\n") << false
                                        << "the hash of p is no bcrypt hash";
        QTest::newRow("hashes others may read") << users << true << "other users can read it";
    }

    void webConfig()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(bool, othersRead);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        for (const char *name : {"c.pem", "k.pem", "web.yml"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name == QByteArray("web.yml") ? yaml : QByteArray("pem"));
        }
        QFile::setPermissions(dir.filePath("web.yml"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                  (othersRead ? QFile::ReadOther : QFile::Permissions()));
        WebConfig config;
        QString error;
        const bool read = ReadWebConfig(dir.filePath("web.yml"), &config, &error);
        QVERIFY2(read == refusal.isEmpty(), qPrintable(error));
        QVERIFY2(error.contains(refusal) && (read || error.contains(dir.filePath("web.yml"))),
                 qPrintable(error));
        if (QByteArray(QTest::currentDataTag()) == "TLS and a user") {
            QVERIFY(config.tls && config.Secured());
            QCOMPARE(config.certFile, dir.filePath("c.pem"));  // from the file's folder
            QCOMPARE(config.minVersion, 0x0304);
            QCOMPARE(config.users.keys(), QStringList{"prometheus"});
        } else if (QByteArray(QTest::currentDataTag()) ==
                   "the older RequireClientCert, empty users") {
            QCOMPARE(config.clientAuth, WebConfig::ClientAuth::RequireAny);
            QVERIFY(config.users.isEmpty());
        } else if (QByteArray(QTest::currentDataTag()) == "exporters' keys not applied") {
            QCOMPARE(config.ignored,
                     (QStringList{"tls_server_config.cipher_suites", "http_server_config"}));
        } else if (read) {
            QVERIFY(!config.Secured());
        }
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
