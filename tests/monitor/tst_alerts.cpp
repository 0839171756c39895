// The shipped alert rules in a real Prometheus, scraping qvt-monitord that
// watches two simulated switches: a power supply failure pages for its
// device only and goes when mended, a switch that stops answering pages after
// the rule's 30 s. The rules file is the one in deploy/, its for durations
// unchanged. Prometheus scrapes over HTTPS with a password, as from another
// machine, with the test's own certificate authority.

#include "../common/ChildProgram.h"
#include "../common/FreeLoopback.h"
#include "../common/WebFiles.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char *const kNames[2] = {"studio-a", "studio-b"};
}  // namespace

class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void webAccess_data();
    void webAccess();
    void powerSupplyFail();
    void deviceDown();

private:
    void Mark(const char *what, const char *device);
    QJsonDocument Api(const QString &path);
    // The device label of each `alertname` alert in `state` (firing, pending).
    QStringList Alerts(const QString &alertname, const QString &state);

    QTemporaryDir m_dir;  // removed after the programs end: declared first
    QElapsedTimer m_clock;
    ChildProgram m_sims[2];
    ChildProgram m_monitord;
    ChildProgram m_prometheus;
    QString m_prometheusUrl;
    QString m_service;  // host:port
    QNetworkAccessManager m_http;
};

void TestAlerts::Mark(const char *what, const char *device)
{
    qInfo("%6.1f s  %s (%s)", double(m_clock.elapsed()) / 1000, what, device);
}

QJsonDocument TestAlerts::Api(const QString &path)
{
    std::unique_ptr<QNetworkReply> reply(
        m_http.get(QNetworkRequest(QUrl(m_prometheusUrl + QStringLiteral("/api/v1/") + path))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    return finished.wait(5000) ? QJsonDocument::fromJson(reply->readAll()) : QJsonDocument();
}

QStringList TestAlerts::Alerts(const QString &alertname, const QString &state)
{
    QStringList devices;
    for (const QJsonValue &alert : Api(QStringLiteral("alerts"))["data"]["alerts"].toArray()) {
        if (alert["labels"]["alertname"] == alertname && alert["state"] == state) {
            devices << alert["labels"]["device"].toString();
        }
    }
    devices.sort();
    return devices;
}

void TestAlerts::initTestCase()
{
    const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
    if (prometheus.isEmpty()) {
        // QSKIP with one argument trips clang's -Wpedantic.
        QTest::qSkip("no prometheus (Debian package prometheus)", __FILE__, __LINE__);
        return;
    }
    m_clock.start();
    const quint16 notifyPort = FreeUdpPort();
    QStringList watch;
    for (int i = 0; i < 2; ++i) {
        const QString address = LoopbackText(TestLoopback());
        m_sims[i].start(QStringLiteral(QVT_DEVSIM_PATH),
                        {QStringLiteral("--address"), address, QStringLiteral("--notify"),
                         QStringLiteral("127.0.0.1:%1").arg(notifyPort)});
        QVERIFY2(m_sims[i].Says("ready"), m_sims[i].readAllStandardError().constData());
        watch << QStringLiteral("--device")
              << QStringLiteral("%1=%2").arg(QLatin1String(kNames[i]), address);
    }

    // The service and Prometheus share a loopback address of the test's own.
    const QString host = LoopbackText(TestLoopback());
    const QString tls = WebFiles::MakeCertificates(m_dir.path(), host);
    QVERIFY2(tls.isEmpty(), qPrintable(tls));
    const QString web = WebFiles::WriteConfig(m_dir.path(), "prometheus", "scrape-secret");
    QVERIFY(!web.isEmpty());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    m_monitord.setProcessEnvironment(env);
    m_monitord.setReadChannel(QProcess::StandardError);
    m_monitord.start(
        QStringLiteral(QVT_MONITORD_PATH),
        watch + QStringList{QStringLiteral("--notify-port"), QString::number(notifyPort),
                            QStringLiteral("--listen"), host + QStringLiteral(":0"),
                            QStringLiteral("--logs"), m_dir.filePath(QStringLiteral("logs")),
                            QStringLiteral("--poll"), QStringLiteral("0.2"),
                            QStringLiteral("--web.config.file"), web});
    QVERIFY2(m_monitord.Says("/metrics"), m_monitord.peek(1 << 20).constData());
    const QString service = QRegularExpression(QStringLiteral("metrics at https://([^/]+)/metrics"))
                                .match(QString::fromUtf8(m_monitord.peek(1 << 20)))
                                .captured(1);
    m_service = service;
    QVERIFY(!service.isEmpty());

    // Prometheus takes no port 0: one the kernel just handed out and took back.
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress(host), 0));
        port = probe.serverPort();
    }
    m_prometheusUrl = QStringLiteral("http://%1:%2").arg(host).arg(port);
    // Each switch its own target through /probe, as deploy/prometheus/prometheus.yml.
    QFile config(m_dir.filePath(QStringLiteral("prometheus.yml")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                       "rule_files: ['%1']\n"
                       "scrape_configs:\n"
                       "  - job_name: qvt\n"
                       "    scheme: https\n"
                       "    tls_config: {ca_file: '%5'}\n"
                       "    basic_auth: {username: prometheus, password: scrape-secret}\n"
                       "    metrics_path: /probe\n"
                       "    static_configs: [{targets: [%2, %3]}]\n"
                       "    relabel_configs:\n"
                       "      - {source_labels: [__address__], target_label: __param_target}\n"
                       "      - {source_labels: [__param_target], target_label: instance}\n"
                       "      - {target_label: __address__, replacement: '%4'}\n")
            .arg(QStringLiteral(QVT_ALERT_RULES), QLatin1String(kNames[0]),
                 QLatin1String(kNames[1]), service, m_dir.filePath(QStringLiteral("ca.crt")))
            .toUtf8());
    config.close();
    m_prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_prometheus.start(
        prometheus,
        {QStringLiteral("--config.file=") + config.fileName(),
         QStringLiteral("--storage.tsdb.path=") + m_dir.filePath(QStringLiteral("tsdb")),
         QStringLiteral("--web.listen-address=%1:%2").arg(host).arg(port),
         QStringLiteral("--log.level=warn")});
    QVERIFY(m_prometheus.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(
        Api(QStringLiteral("query?query=count(qvt_up%3D%3D1)"))["data"]["result"][0]["value"][1]
            .toString(),
        QStringLiteral("2"), 20000);
    // Prometheus's own view of the scrapes: HTTPS and the password taken.
    QTRY_COMPARE_WITH_TIMEOUT(
        Api(QStringLiteral("query?query=count(up%3D%3D1)"))["data"]["result"][0]["value"][1]
            .toString(),
        QStringLiteral("2"), 10000);
    Mark("Prometheus scrapes both switches over HTTPS with basic auth, both up",
         "studio-a, studio-b");
}

void TestAlerts::webAccess_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("credentials");
    QTest::addColumn<int>("status");  // 0: no HTTP answer at all
    const QByteArray good = "prometheus:scrape-secret";
    QTest::newRow("the right password")
        << "https" << QByteArray("GET") << "/metrics" << good << 200;
    QTest::newRow("a wrong password")
        << "https" << QByteArray("GET") << "/metrics" << QByteArray("prometheus:guess") << 401;
    QTest::newRow("an unknown user")
        << "https" << QByteArray("GET") << "/metrics" << QByteArray("admin:scrape-secret") << 401;
    QTest::newRow("no password") << "https" << QByteArray("GET") << "/metrics" << QByteArray()
                                 << 401;
    QTest::newRow("HEAD, no password")
        << "https" << QByteArray("HEAD") << "/metrics" << QByteArray() << 401;
    QTest::newRow("POST, no password")
        << "https" << QByteArray("POST") << "/metrics" << QByteArray() << 401;
    QTest::newRow("an unknown path, no password")
        << "https" << QByteArray("GET") << "/other" << QByteArray() << 401;
    QTest::newRow("health, no password")
        << "https" << QByteArray("GET") << "/healthz" << QByteArray() << 401;
    QTest::newRow("POST, the right password")
        << "https" << QByteArray("POST") << "/metrics" << good << 405;
    QTest::newRow("plain HTTP to the TLS port")
        << "http" << QByteArray("GET") << "/metrics" << good << 0;
}

// What anyone on the station's network gets.
void TestAlerts::webAccess()
{
    QFETCH(QString, scheme);
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, credentials);
    QFETCH(int, status);
    QNetworkRequest request(QUrl(scheme + QStringLiteral("://") + m_service + path));
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("ca.crt"))));
    request.setSslConfiguration(ssl);
    if (!credentials.isEmpty()) {
        request.setRawHeader("Authorization", "Basic " + credentials.toBase64());
    }
    if (method == "POST") {
        request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    }
    std::unique_ptr<QNetworkReply> reply(m_http.sendCustomRequest(request, method));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    if (status == 0) {
        // The service is there: it does not speak plain HTTP on this port.
        QVERIFY(reply->error() != QNetworkReply::ConnectionRefusedError);
    }
    if (status == 200) {
        QVERIFY(reply->readAll().contains("qvt_build_info{version="));
    }
}

// No for: it fires at the first evaluation that sees the alarm.
void TestAlerts::powerSupplyFail()
{
    QVERIFY(Alerts(QStringLiteral("QvtPowerSupplyFail"), QStringLiteral("firing")).isEmpty());
    QVERIFY(m_sims[0].Command("system 15 on"));
    Mark("PS1 Fail raised", kNames[0]);
    QTRY_COMPARE_WITH_TIMEOUT(
        Alerts(QStringLiteral("QvtPowerSupplyFail"), QStringLiteral("firing")),
        QStringList{kNames[0]}, 10000);
    Mark("QvtPowerSupplyFail firing", kNames[0]);
    QVERIFY(m_sims[0].Command("system 15 off"));
    Mark("PS1 Fail cleared", kNames[0]);
    QTRY_VERIFY_WITH_TIMEOUT(
        Alerts(QStringLiteral("QvtPowerSupplyFail"), QStringLiteral("firing")).isEmpty(), 10000);
    Mark("QvtPowerSupplyFail resolved", kNames[0]);
}

// Pending once the service calls the switch lost, firing 30 s later.
void TestAlerts::deviceDown()
{
    m_sims[1].terminate();
    QVERIFY(m_sims[1].waitForFinished(5000));
    Mark("simulator stopped", kNames[1]);
    QTRY_COMPARE_WITH_TIMEOUT(Alerts(QStringLiteral("QvtDeviceDown"), QStringLiteral("pending")),
                              QStringList{kNames[1]}, 15000);
    const qint64 pending = m_clock.elapsed();
    Mark("QvtDeviceDown pending", kNames[1]);
    QTRY_COMPARE_WITH_TIMEOUT(Alerts(QStringLiteral("QvtDeviceDown"), QStringLiteral("firing")),
                              QStringList{kNames[1]}, 60000);
    Mark("QvtDeviceDown firing", kNames[1]);
    QVERIFY2(m_clock.elapsed() - pending > 29000, "fired before its for of 30 s");
    QVERIFY(Alerts(QStringLiteral("QvtPowerSupplyFail"), QStringLiteral("firing")).isEmpty());
}

QTEST_GUILESS_MAIN(TestAlerts)
#include "tst_alerts.moc"
