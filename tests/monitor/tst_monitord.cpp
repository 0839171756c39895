// The monitoring service against simulated devices: what its metrics say
// after alarms rise and clear, a device lost and back, datagrams it must not
// take, its HTTP answers as Prometheus's own checker reads them, and an end
// by SIGTERM that writes every row.

#include "ByteOrder.h"
#include "DeviceSimulator.h"
#include "Journal.h"
#include "StationMonitor.h"
#include "TextForms.h"

#include "../common/FreeLoopback.h"

#include <QDir>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/types.h>
#include <csignal>
#include <mutex>

namespace {
// The two devices: a 4x1 AGC and a dual 2x1, each sending to the service.
const char *const kNames[2] = {"studio-a", "studio-b"};
const quint32 kModels[2] = {50002, 50000};

QString Series(const QString &name, const QString &labels, int value)
{
    return QStringLiteral("%1{%2} %3\n").arg(name, labels).arg(value);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class TestMonitord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void alarms_data();
    void alarms();
    void lostAndBack();
    void dropped();
    void http();
    void drift();
    void sigterm();

private:
    QByteArray Get(const QString &path, int *status, const QByteArray &verb = "GET");

    QTemporaryDir m_dir;
    const quint16 m_notifyPort = FreeUdpPort();
    std::unique_ptr<DeviceSimulator> m_devices[2];
    QString m_addresses[2];
    QString m_listen = LoopbackText(TestLoopback());
    std::unique_ptr<StationMonitor> m_monitor;
    // What the service said, from its watch threads.
    QStringList Said()
    {
        std::lock_guard<std::mutex> lock(m_saidLock);
        return m_said;
    }
    std::mutex m_saidLock;
    QStringList m_said;
    QNetworkAccessManager m_http;
    QByteArray m_contentType;  // of the last answer
};

void TestMonitord::initTestCase()
{
    MonitorConfig config;
    for (int i = 0; i < 2; ++i) {
        DeviceSimulator::Options options;
        options.address = m_addresses[i] = LoopbackText(TestLoopback());
        options.model = kModels[i];
        options.notify[0] = {0x7F000001, m_notifyPort};
        m_devices[i] = std::make_unique<DeviceSimulator>(options);
        QVERIFY(m_devices[i]->Start());
        config.devices.append({kNames[i], options.address, 1, QStringLiteral("guest")});
    }
    config.listenAddress = m_listen;
    config.listenPort = 0;
    config.notifyPort = m_notifyPort;
    config.logsDir = m_dir.filePath("logs");
    config.pollSeconds = 0.2;
    config.snapshotMinutes = 0.01;
    config.journal = m_dir.filePath("journal.sqlite");
    m_monitor = std::make_unique<StationMonitor>(
        config,
        [this](const QString &line, bool) {
            std::lock_guard<std::mutex> lock(m_saidLock);
            m_said << line;
        },
        SessionTimings{150, 0, 0});
    QString error;
    QVERIFY2(m_monitor->Start(&error), qPrintable(error));
    for (const char *name : kNames) {
        QTRY_VERIFY_WITH_TIMEOUT(
            m_monitor->Metrics().contains(
                Series("qvt_notification_route_ok", QStringLiteral("device=\"%1\"").arg(name), 1)
                    .toLatin1()),
            5000);
    }
}

void TestMonitord::cleanupTestCase()
{
    m_monitor.reset();
}

void TestMonitord::alarms_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("raise");
    QTest::addColumn<QString>("clear");
    QTest::addColumn<QString>("series");  // name{labels but the device}

    QTest::newRow("video, 4x1") << 0 << "alarm 2 video-black on"
                                << "alarm 2 video-black off"
                                << "qvt_video_alarm|input=\"Input 2\",alarm=\"Video Black\"";
    QTest::newRow("video, dual") << 1 << "alarm 3 signal-lost on"
                                 << "alarm 3 signal-lost off"
                                 << "qvt_video_alarm|input=\"B-Input 1\",alarm=\"Signal Lost\"";
    QTest::newRow("audio lost") << 0 << "audio-lost 4 0x0002"
                                << "audio-lost 4 0"
                                << "qvt_audio_alarm|input=\"Input 4\",alarm=\"Audio Lost\","
                                   "channel=\"2\"";
    QTest::newRow("audio silent")
        << 1 << "audio-silent 2 0x0001"
        << "audio-silent 2 0"
        << "qvt_audio_alarm|input=\"A-Input 2\",alarm=\"Audio Silent\",channel=\"1\"";
    QTest::newRow("system") << 1 << "system 15 on"
                            << "system 15 off"
                            << "qvt_system_alarm|alarm=\"PS1 Fail\"";
}

// Each alarm shows in the metrics of its device only, and the notification
// that told of it is an event in that device's log.
void TestMonitord::alarms()
{
    QFETCH(int, device);
    QFETCH(QString, raise);
    QFETCH(QString, clear);
    QFETCH(QString, series);
    const QString name = series.section('|', 0, 0);
    const QString labels = series.section('|', 1);
    const auto line = [&](int which, int value) {
        return Series(name, QStringLiteral("device=\"%1\",%2").arg(kNames[which], labels), value)
            .toLatin1();
    };
    const auto events = [this](int which) {
        const QString head =
            QStringLiteral("qvt_alarm_events_total{device=\"%1\"} ").arg(kNames[which]);
        const QByteArray text = m_monitor->Metrics();
        const int at = text.indexOf(head.toLatin1());
        return at < 0 ? -1 : text.mid(at + head.size()).split('\n').value(0).toInt();
    };
    const int before = events(device);
    const int otherBefore = events(1 - device);
    QVERIFY(m_devices[device]->Command(raise).startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(line(device, 1)), 2000);
    QVERIFY(events(device) > before);
    QVERIFY(m_devices[device]->Command(clear).startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(line(device, 0)), 2000);
    QCOMPARE(events(1 - device), otherBefore);
    const QByteArray log = ReadAll(
        QDir(m_dir.filePath("logs"))
            .filePath(QStringLiteral("%1/%2.csv")
                          .arg(kNames[device], QDate::currentDate().toString(Qt::ISODate))));
    const QString alarm = labels.section("alarm=\"", 1).section('"', 0, 0);
    QVERIFY2(log.contains(QStringLiteral(",%1,Asserted,").arg(alarm).toLatin1()) &&
                 log.contains(QStringLiteral(",%1,Cleared,").arg(alarm).toLatin1()),
             log.constData());
}

// A device that stops answering: up 0 and its alarm series gone within 8 s,
// "Connection Lost" logged; back, the same the other way.
void TestMonitord::lostAndBack()
{
    QVERIFY(m_devices[0]->Command("offline 3").startsWith("ok"));
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("qvt_up{device=\"studio-a\"} 0\n"),
                             8000);
    qInfo("lost noticed after %lld ms", clock.elapsed());
    const QByteArray down = m_monitor->Metrics();
    QVERIFY(!down.contains("qvt_video_alarm{device=\"studio-a\""));
    QVERIFY(down.contains("qvt_video_alarm{device=\"studio-b\""));
    QVERIFY(down.contains("qvt_device_info{device=\"studio-a\""));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("qvt_up{device=\"studio-a\"} 1\n"),
                             10000);
    QVERIFY(m_monitor->Metrics().contains("qvt_video_alarm{device=\"studio-a\""));
    const QByteArray log = ReadAll(
        QDir(m_dir.filePath("logs"))
            .filePath(
                QStringLiteral("studio-a/%1.csv").arg(QDate::currentDate().toString(Qt::ISODate))));
    QVERIFY(log.contains(",,Connection Lost,Asserted,\n"));
    QVERIFY(log.contains(",,Connection Lost,Cleared,\n"));
    QVERIFY(Said().filter("studio-a").filter("not answering").size() == 1);
}

// A datagram from an address that is no watched device, and a malformed one
// from a device: dropped and counted, never an event.
void TestMonitord::dropped()
{
    const auto send = [this](const QString &from, int sum) {
        UdpSocket socket;
        QVERIFY(socket.Open() && socket.Bind(QHostAddress(from).toIPv4Address(), 0));
        quint8 ps1[14] = {0, 12, 1, 0, 0, 0, 15, 0, 0, 0, 0, 0, 1, 0};
        ps1[13] = quint8(sum - ByteSum(ps1, 13));
        socket.SendTo({0x7F000001, m_notifyPort}, ps1, sizeof ps1);
    };
    send(LoopbackText(TestLoopback()), 0xFF);
    send(m_addresses[1], 0xFE);
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(
                                 "qvt_notifications_dropped_total{reason=\"unknown sender\"} 1\n"
                                 "qvt_notifications_dropped_total{reason=\"malformed\"} 1\n"),
                             2000);
    QVERIFY(m_monitor->Metrics().contains(
        "qvt_system_alarm{device=\"studio-b\",alarm=\"PS1 Fail\"} 0"));
}

QByteArray TestMonitord::Get(const QString &path, int *status, const QByteArray &verb)
{
    QNetworkRequest request(
        QUrl(QStringLiteral("http://%1:%2%3").arg(m_listen).arg(m_monitor->HttpPort()).arg(path)));
    std::unique_ptr<QNetworkReply> reply(m_http.sendCustomRequest(request, verb));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!finished.wait(5000)) {
        *status = -1;
        return {};
    }
    *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    return reply->readAll();
}

void TestMonitord::http()
{
    int status = 0;
    const QByteArray metrics = Get("/metrics", &status);
    QCOMPARE(status, 200);
    QCOMPARE(m_contentType, QByteArray("text/plain; version=0.0.4; charset=utf-8"));
    QProcess promtool;
    promtool.start(QStringLiteral("promtool"),
                   {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!promtool.waitForStarted(5000)) {
        // QSKIP with one argument trips clang's -Wpedantic.
        QTest::qSkip("no promtool (Debian package prometheus)", __FILE__, __LINE__);
        return;
    }
    promtool.write(metrics);
    promtool.closeWriteChannel();
    QVERIFY(promtool.waitForFinished(10000));
    QVERIFY2(promtool.exitCode() == 0 && promtool.readAll().isEmpty(),
             promtool.readAllStandardError().constData());

    const QByteArray probe = Get("/probe?target=studio-b", &status);
    QCOMPARE(status, 200);
    QVERIFY(probe.contains("qvt_up{device=\"studio-b\"} 1\n") && !probe.contains("studio-a"));
    const QJsonArray devices = QJsonDocument::fromJson(Get("/api/v1/devices", &status)).array();
    QCOMPARE(status, 200);
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices[1].toObject()["model"].toString(), QStringLiteral("QVT Dual 2x1"));
    QCOMPARE(devices[1].toObject()["up"].toBool(), true);
    Get("/healthz", &status);
    QCOMPARE(status, 200);
    for (const char *path : {"/probe?target=studio-c", "/probe", "/devices"}) {
        Get(QString::fromLatin1(path), &status);
        QCOMPARE(status, 404);
    }
    Get("/metrics", &status, "POST");
    QCOMPARE(status, 405);
}

// A value changed on the device outside the tool is journaled by the next
// snapshot as such; one the tool wrote through the journal is not.
void TestMonitord::drift()
{
    // The first whole read is the baseline.
    QTRY_VERIFY_WITH_TIMEOUT(
        !Said().filter(m_addresses[0] + QStringLiteral(": parameters read")).isEmpty(), 15000);
    const QString diff = QStringLiteral("Alarms/Settings/GroupA/Input4/VideoFreeze/Diff");
    const QString gpo = QStringLiteral("GPIO/GPOTriggerMode");
    QString error;
    const auto journal = Journal::Open(m_dir.filePath("journal.sqlite"), &error);
    QVERIFY2(journal, qPrintable(error));
    JournalOperation tool;
    tool.context = LocalJournalContext(QStringLiteral("qvt-cli"));
    tool.context.deviceAddress = m_addresses[0];
    m_devices[0]->WithModel([&tool](DeviceModel &m) {
        tool.context.deviceSerial = SerialNumberText(m.serial);
        tool.changes = {{QStringLiteral("GPIO/GPOTriggerMode"), QString::number(m.gpoMode),
                         QString::number(1 - m.gpoMode)}};
        m.gpoMode = quint8(1 - m.gpoMode);
        ++m.detection[3].freezeValue1;
    });
    tool.operation = QStringLiteral("GPIO");
    QVERIFY(journal->Record(tool, &error));
    JournalFilter filter;
    filter.device = m_addresses[0];
    const auto outside = [&] {
        QStringList fields;
        for (const JournalEntry &e : journal->History(filter)) {
            if (e.source == JournalSource::Outside) {
                fields << (e.operation == QLatin1String("snapshot") &&
                                   e.context.program == QLatin1String("qvt-monitord")
                               ? e.change.field
                               : e.operation);
            }
        }
        return fields;
    };
    QTRY_VERIFY_WITH_TIMEOUT(outside().contains(diff), 15000);
    QCOMPARE(outside(), QStringList{diff});
}

// SIGTERM with notifications still unread: the program reads them, writes
// every row and ends with 0.
void TestMonitord::sigterm()
{
    const quint16 port = FreeUdpPort();
    QProcess service;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    service.setProcessEnvironment(env);
    service.start(
        QStringLiteral(QVT_MONITORD_PATH),
        {QStringLiteral("--device"), QStringLiteral("studio-a=") + m_addresses[0],
         QStringLiteral("--notify-port"), QString::number(port), QStringLiteral("--listen"),
         m_listen + QStringLiteral(":0"), QStringLiteral("--logs"), m_dir.filePath("sigterm")});
    service.setReadChannel(QProcess::StandardError);
    QVERIFY(service.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        (service.waitForReadyRead(100), service.peek(1 << 16).contains("logged in as guest")),
        5000);
    UdpSocket device;
    QVERIFY(device.Open() && device.Bind(QHostAddress(m_addresses[0]).toIPv4Address(), 0));
    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i) {
        quint8 switched[14] = {0, 12, 1, 0, 0, 0, 14, 0, 0, 0, 0, 0, quint8(i % 4), 0};
        switched[13] = quint8(0xFF - ByteSum(switched, 13));
        device.SendTo({0x7F000001, port}, switched, sizeof switched);
    }
    ::kill(pid_t(service.processId()), SIGTERM);
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.exitCode(), 0);
    const QByteArray log = ReadAll(
        QDir(m_dir.filePath("sigterm"))
            .filePath(
                QStringLiteral("studio-a/%1.csv").arg(QDate::currentDate().toString(Qt::ISODate))));
    QCOMPARE(log.count(",Output Switched,"), kCount);
    QVERIFY(log.contains(QStringLiteral("\n%1,").arg(kCount).toLatin1()));
    const QByteArray said = service.readAll();
    QVERIFY2(!said.contains("guest\n") && said.contains("stopped; every alarm row written"),
             said.constData());
}

QTEST_GUILESS_MAIN(TestMonitord)
#include "tst_monitord.moc"
