// The monitoring service against simulated devices: what its metrics say
// after alarms rise and clear, a lossy link that is no loss, a device lost
// and back, alarms only polling sees, an alarm log folder that fails and
// comes back, a refused login, datagrams it must not take, its HTTP answers
// as Prometheus's own checker reads them, an end by SIGTERM that writes
// every row, and an open-files limit too low for the devices.

#include "../common/ServiceInProcess.h"
#include "ByteOrder.h"
#include "DeviceSimulator.h"
#include "Journal.h"
#include "StationMonitor.h"
#include "TextForms.h"

#include "../common/FreeLoopback.h"
#include "../journal/PostgresServer.h"

#include <QDir>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/types.h>
#include <csignal>
#include <mutex>

namespace {
// A 4x1 AGC and a dual 2x1, each sending to the service; a 4x1 whose
// notifications go nowhere, with two alarms active before the service
// starts; a device the service has the wrong password for.
constexpr int kDevices = 4;
const char *const kNames[kDevices] = {"studio-a", "studio-b", "studio-c", "studio-d"};
const quint32 kModels[kDevices] = {50002, 50000, 50001, 50002};
constexpr int kSilent = 2;
constexpr int kRefused = 3;

QString Series(const QString &name, const QString &labels, int value)
{
    return QStringLiteral("%1{%2} %3\n").arg(name, labels).arg(value);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows of an alarm log file after its header line.
QList<QByteArray> Rows(const QByteArray &log)
{
    const int header = log.indexOf("Number,Time,");
    QList<QByteArray> rows = log.mid(log.indexOf('\n', header) + 1).split('\n');
    rows.removeAll(QByteArray());
    return header < 0 ? QList<QByteArray>() : rows;
}

// Every row's number is its place in the file.
bool NumberedInOrder(const QByteArray &log)
{
    const QList<QByteArray> rows = Rows(log);
    for (int i = 0; i < rows.size(); ++i) {
        if (!rows[i].startsWith(QByteArray::number(i + 1) + ',')) {
            return false;
        }
    }
    return !rows.isEmpty();
}

// The value of the first sample whose line starts with `series`, or -1.
qint64 Value(const QByteArray &metrics, const QByteArray &series)
{
    const int at = metrics.indexOf('\n' + series + ' ');
    return at < 0 ? -1 : metrics.mid(at + series.size() + 2).split('\n').value(0).toLongLong();
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
    void polling();
    void lostAndBack();
    void lateNotification();
    void logFolderFails();
    void refusedLogin();
    void dropped();
    void http();
    void drift();
    void journalAway();
    void sigterm();
    void reload();
    void openFilesLimit_data();
    void openFilesLimit();

private:
    QByteArray Get(const QString &path, int *status, const QByteArray &verb = "GET");
    QByteArray Log(int device) const
    {
        return ReadAll(
            QDir(m_dir.filePath("logs"))
                .filePath(QStringLiteral("%1/%2.csv")
                              .arg(kNames[device], QDate::currentDate().toString(Qt::ISODate))));
    }
    qint64 Metric(const char *name, int device, const QByteArray &more = QByteArray()) const
    {
        return Value(m_monitor->Metrics(),
                     QByteArray(name) + "{device=\"" + kNames[device] + '"' + more + '}');
    }

    QTemporaryDir m_dir;
    const quint16 m_notifyPort = FreeUdpPort();
    std::unique_ptr<DeviceSimulator> m_devices[kDevices];
    QString m_addresses[kDevices];
    QString m_listen = LoopbackText(TestLoopback());
    ServiceInProcess m_monitor;
    QNetworkAccessManager m_http;
    QByteArray m_contentType;  // of the last answer
};

void TestMonitord::initTestCase()
{
    MonitorConfig config;
    for (int i = 0; i < kDevices; ++i) {
        DeviceSimulator::Options options;
        options.address = m_addresses[i] = LoopbackText(TestLoopback());
        options.model = kModels[i];
        options.notify[0] = {i == kSilent ? 0u : 0x7F000001, m_notifyPort};
        m_devices[i] = std::make_unique<DeviceSimulator>(options);
        QVERIFY(m_devices[i]->Start());
        config.devices.append(
            {kNames[i], options.address, 1, QLatin1String(i == kRefused ? "wrong" : "guest")});
    }
    QVERIFY(m_devices[kSilent]->Command("alarm 1 video-frozen on").startsWith("ok"));
    QVERIFY(m_devices[kSilent]->Command("system 16 on").startsWith("ok"));
    config.listenAddress = m_listen;
    config.listenPort = 0;
    config.notifyPort = m_notifyPort;
    config.logsDir = m_dir.filePath("logs");
    config.pollSeconds = 0.2;
    config.downAfterSeconds = 1.5;  // about four polls of 0.3 s and their pauses
    config.snapshotMinutes = 0.01;
    config.journal = m_dir.filePath("journal.sqlite");
    config.journalSpool = m_dir.filePath("spool.sqlite");
    const QString error = m_monitor.Start(config);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const char *name : {kNames[0], kNames[1]}) {
        QTRY_VERIFY_WITH_TIMEOUT(
            m_monitor->Metrics().contains(
                Series("qvt_notification_route_ok", QStringLiteral("device=\"%1\"").arg(name), 1)
                    .toLatin1()),
            5000);
    }
}

void TestMonitord::cleanupTestCase()
{
    m_monitor.Reset();
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
    // The row is counted once written, a moment after the state shows.
    QTRY_VERIFY_WITH_TIMEOUT(events(device) > before, 2000);
    QVERIFY(m_devices[device]->Command(clear).startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(line(device, 0)), 2000);
    QCOMPARE(events(1 - device), otherBefore);
    // The notification's row, once: the polls that follow it add none.
    const QString alarm = labels.section("alarm=\"", 1).section('"', 0, 0);
    QTRY_VERIFY(Log(device).contains(QStringLiteral(",%1,Cleared,").arg(alarm).toLatin1()));
    QTest::qWait(600);  // three polls, which must not log it again
    const QByteArray log = Log(device);
    for (const char *status : {"Asserted", "Cleared"}) {
        QVERIFY2(log.count(QStringLiteral(",%1,%2,").arg(alarm, status).toLatin1()) == 1,
                 log.constData());
    }
    QVERIFY2(!log.contains("seen by polling"), log.constData());
}

// A device whose notifications go nowhere: what was active at the start is
// logged once, and each later change as the poll sees it.
void TestMonitord::polling()
{
    QTRY_VERIFY(Log(kSilent).contains(",Input 1,Video Frozen,Asserted,active at start\n"));
    QVERIFY(Log(kSilent).contains(",,PS2 Fail,Asserted,active at start\n"));
    QVERIFY(Log(kSilent).contains(",Group A,Output Switched,Asserted,active at start\n"));
    m_devices[kSilent]->WithModel(
        [](DeviceModel &m) { m.detection[2].audioLostChannels = 0xFFFF; });
    const QList<QPair<QString, QByteArray>> steps = {
        {"alarm 2 video-black on", ",Input 2,Video Black,Asserted,seen by polling\n"},
        {"audio-lost 3 0x0005", ",Input 3,Audio Lost,Asserted,Ch1 Ch3 seen by polling\n"},
        {"audio-lost 3 0x0001", ",Input 3,Audio Lost,Cleared,Ch3 seen by polling\n"},
        {"system 16 off", ",,PS2 Fail,Cleared,seen by polling\n"},
        {"alarm 1 video-frozen off", ",Input 1,Video Frozen,Cleared,seen by polling\n"},
        {"", ",Group A,Output Switched,Cleared,seen by polling\n"}};  // back to input 1
    for (const auto &step : steps) {
        QVERIFY(step.first.isEmpty() || m_devices[kSilent]->Command(step.first).startsWith("ok"));
        QTRY_VERIFY2(Log(kSilent).contains(step.second), Log(kSilent).constData());
    }
    const QByteArray log = Log(kSilent);
    QCOMPARE(Rows(log).size(), 3 + steps.size());
    QVERIFY(NumberedInOrder(log));
}

// A lossy link is no loss: with a third of the answers lost the device stays
// up and its alarm series stay. A device silent for down-after is lost: up 0,
// its alarm series gone, "Connection Lost" logged; back, the alarms active
// then are logged, and its notification route is read again (the right host
// on the wrong port is not a route).
void TestMonitord::lostAndBack()
{
    const QByteArray up = "qvt_up{device=\"studio-a\"} 1\n";
    QVERIFY(m_devices[0]->Command("fault drop 30").startsWith("ok"));
    const qint64 failuresBefore = Metric("qvt_poll_failures_total", 0);
    QElapsedTimer clock;
    clock.start();
    // Six seconds at least, and until a poll has gone unanswered.
    while (clock.elapsed() < 6000 ||
           (Metric("qvt_poll_failures_total", 0) == failuresBefore && clock.elapsed() < 30000)) {
        const QByteArray metrics = m_monitor->Metrics();
        QVERIFY(metrics.contains(up) && metrics.contains("qvt_video_alarm{device=\"studio-a\""));
        QTest::qWait(20);
    }
    QVERIFY(Metric("qvt_poll_failures_total", 0) > failuresBefore);
    QVERIFY(m_devices[0]->Command("fault clear").startsWith("ok"));
    QVERIFY(!Log(0).contains("Connection Lost"));

    m_devices[0]->WithModel(
        [this](DeviceModel &m) { m.notifyPort[0] = quint16(m_notifyPort + 1); });
    QVERIFY(m_devices[0]->Command("alarm 3 video-frozen on").startsWith("ok"));
    QVERIFY(m_devices[0]->Command("offline 4").startsWith("ok"));
    clock.restart();
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("qvt_up{device=\"studio-a\"} 0\n"),
                             5000);
    qInfo("lost noticed after %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() >= 1400);
    const QByteArray down = m_monitor->Metrics();
    QVERIFY(!down.contains("qvt_video_alarm{device=\"studio-a\""));
    QVERIFY(down.contains("qvt_video_alarm{device=\"studio-b\""));
    QVERIFY(down.contains("qvt_device_info{device=\"studio-a\""));
    QVERIFY(Log(0).contains(",,Connection Lost,Asserted,\n"));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(up), 10000);
    QVERIFY(m_monitor->Metrics().contains("qvt_video_alarm{device=\"studio-a\""));
    QTRY_VERIFY(
        Log(0).contains(",,Connection Lost,Cleared,\n"
                        "" +
                        QByteArray::number(Rows(Log(0)).size()) + ","));
    QVERIFY(Log(0).endsWith(",Input 3,Video Frozen,Asserted,active when found again\n"));
    QTRY_COMPARE(Metric("qvt_notification_route_ok", 0), qint64(0));
    QCOMPARE(m_monitor.Said().filter("studio-a").filter("not answering").size(), 1);
    QCOMPARE(m_monitor.Said().filter("studio-a").filter("does not send its notifications").size(),
             1);
    m_devices[0]->WithModel([this](DeviceModel &m) { m.notifyPort[0] = m_notifyPort; });
    QVERIFY(m_devices[0]->Command("alarm 3 video-frozen off").startsWith("ok"));
    QTRY_VERIFY(Log(0).endsWith(",Input 3,Video Frozen,Cleared,\n"));
}

// A notification that comes after the poll that saw its change makes one
// row, not two; a change whose notification is lost is logged by polling,
// also right after the same alarm came and went by notification.
void TestMonitord::lateNotification()
{
    DeviceSimulator &sim = *m_devices[1];
    const auto notifying = [&sim, this](bool on) {
        sim.WithModel([on](DeviceModel &m) { m.notifyIp[0] = on ? 0x7F000001 : 0; });
    };
    UdpSocket device;
    QVERIFY(device.Open() && device.Bind(QHostAddress(m_addresses[1]).toIPv4Address(), 0));
    const auto send = [&device, this](quint8 code, quint8 value) {
        quint8 d[14] = {0, 12, 1, 0, 0, 0, code, 0, 0, 0, 0, 0, value, 0};
        d[13] = quint8(0xFF - ByteSum(d, 13));
        device.SendTo({0x7F000001, m_notifyPort}, d, sizeof d);
    };
    const QByteArray series = ",alarm=\"PS1 Fail\"";
    notifying(false);
    for (const quint8 value : {1, 0}) {
        QVERIFY(sim.Command(value ? "system 15 on" : "system 15 off").startsWith("ok"));
        QTRY_COMPARE(Metric("qvt_system_alarm", 1, series), qint64(value));  // the poll saw it
        // Another notification first, which wakes the watch before this one
        // comes: a burst as one fault raises several alarms.
        send(14, 0);
        QTest::qWait(100);
        send(15, value);
        QTRY_VERIFY(Log(1).endsWith(value ? ",,PS1 Fail,Asserted,\n" : ",,PS1 Fail,Cleared,\n"));
    }
    QTest::qWait(800);  // past the grace in which a poll's row waits
    QByteArray log = Log(1);
    QCOMPARE(log.count(",PS1 Fail,"), 4);  // these two and the alarms test's
    QVERIFY2(!log.contains("PS1 Fail,Asserted,seen") && !log.contains("PS1 Fail,Cleared,seen"),
             log.constData());

    notifying(true);
    QVERIFY(sim.Command("system 16 on").startsWith("ok"));
    QVERIFY(sim.Command("system 16 off").startsWith("ok"));
    notifying(false);
    QVERIFY(sim.Command("system 16 on").startsWith("ok"));
    QTRY_VERIFY(Log(1).endsWith(",,PS2 Fail,Asserted,seen by polling\n"));
    const QList<QByteArray> rows = Rows(Log(1));
    QVERIFY(rows.value(rows.size() - 3).endsWith(",,PS2 Fail,Asserted,"));
    QVERIFY(rows.value(rows.size() - 2).endsWith(",,PS2 Fail,Cleared,"));
    notifying(true);
    QVERIFY(sim.Command("system 16 off").startsWith("ok"));
    QTRY_VERIFY(Log(1).endsWith(",,PS2 Fail,Cleared,\n"));
}

// A folder the alarm log cannot be written to (a file stands in its place,
// which stops root too): the rows wait, counted, and the failure is said
// once; once the folder can be made again they are written in order, each
// counted as an event.
void TestMonitord::logFolderFails()
{
    const QString folder = QDir(m_dir.filePath("logs")).filePath(kNames[1]);
    const qint64 events = Metric("qvt_alarm_events_total", 1);
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList commands = {"system 16 on", "alarm 2 video-black on", "system 16 off"};
    for (const QString &command : commands) {
        QVERIFY(m_devices[1]->Command(command).startsWith("ok"));
    }
    QTRY_COMPARE(Metric("qvt_alarm_log_pending_rows", 1), qint64(commands.size()));
    // Tried again at every poll, each waiting row counted at each try.
    const qint64 failures = Metric("qvt_alarm_log_write_failures_total", 1);
    QTRY_VERIFY(Metric("qvt_alarm_log_write_failures_total", 1) > failures);
    QCOMPARE((Metric("qvt_alarm_log_write_failures_total", 1) - failures) % commands.size(),
             qint64(0));
    QCOMPARE(Metric("qvt_alarm_events_total", 1), events);
    QVERIFY(QFile::remove(folder));
    QTRY_COMPARE(Metric("qvt_alarm_log_pending_rows", 1), qint64(0));
    QCOMPARE(Metric("qvt_alarm_events_total", 1), events + commands.size());
    const QList<QByteArray> rows = Rows(Log(1));
    QCOMPARE(rows.size(), commands.size());
    QVERIFY(rows[0].startsWith("1,") && rows[0].endsWith(",,PS2 Fail,Asserted,"));
    QVERIFY(rows[1].startsWith("2,") && rows[1].endsWith(",A-Input 2,Video Black,Asserted,"));
    QVERIFY(rows[2].startsWith("3,") && rows[2].endsWith(",,PS2 Fail,Cleared,"));
    QCOMPARE(m_monitor.Said().filter("studio-b").filter("cannot be written").size(), 1);
    QCOMPARE(m_monitor.Said().filter("studio-b").filter("written again").size(), 1);
    QVERIFY(m_devices[1]->Command("alarm 2 video-black off").startsWith("ok"));
    // Its clearance comes after the device's clear time: logged here, not
    // in the next test's counts.
    QTRY_VERIFY(Log(1).contains(",A-Input 2,Video Black,Cleared,"));
}

// A wrong password is said once, for what it is, and counted.
void TestMonitord::refusedLogin()
{
    QTRY_VERIFY(Metric("qvt_login_failures_total", kRefused, ",reason=\"refused\"") >= 2);
    QCOMPARE(Metric("qvt_login_failures_total", kRefused, ",reason=\"no_answer\""), qint64(0));
    QCOMPARE(Metric("qvt_up", kRefused), qint64(0));
    QCOMPARE(m_monitor.Said().filter("studio-d"),
             QStringList{QStringLiteral("studio-d (%1): refused the login as guest (wrong "
                                        "password?); trying again every 1 s")
                             .arg(m_addresses[kRefused])});
}

// A datagram from an address that is no watched device, a malformed one and
// an empty one from a device: dropped and counted, never an event. A burst
// of good ones: each one row and one event.
void TestMonitord::dropped()
{
    UdpSocket device;
    QVERIFY(device.Open() && device.Bind(QHostAddress(m_addresses[1]).toIPv4Address(), 0));
    const auto datagram = [](quint8 code, quint8 value, int sum) {
        QByteArray d("\x00\x0C\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 14);
        d[6] = char(code);
        d[12] = char(value);
        d[13] = char(sum - ByteSum(reinterpret_cast<const quint8 *>(d.constData()), 13));
        return d;
    };
    const auto send = [this](UdpSocket &socket, const QByteArray &d) {
        socket.SendTo({0x7F000001, m_notifyPort}, reinterpret_cast<const quint8 *>(d.constData()),
                      d.size());
    };
    UdpSocket stranger;
    QVERIFY(stranger.Open() && stranger.Bind(TestLoopback(), 0));
    send(stranger, datagram(15, 1, 0xFF));
    send(device, datagram(15, 1, 0xFE));
    send(device, QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains(
                                 "qvt_notifications_dropped_total{reason=\"unknown_sender\"} 1\n"
                                 "qvt_notifications_dropped_total{reason=\"malformed\"} 1\n"
                                 "qvt_notifications_dropped_total{reason=\"empty\"} 1\n"),
                             2000);
    QVERIFY(m_monitor->Metrics().contains(
        "qvt_system_alarm{device=\"studio-b\",alarm=\"PS1 Fail\"} 0"));

    const qint64 events = Metric("qvt_alarm_events_total", 1);
    const int rows = Rows(Log(1)).size();
    const int switched = Log(1).count(",Output Switched,");
    constexpr int kBurst = 50;  // Output Switched, to inputs 1 and 2 in turn
    for (int i = 0; i < kBurst; ++i) {
        send(device, datagram(14, quint8(i % 2), 0xFF));
    }
    QTRY_COMPARE(Log(1).count(",Output Switched,"), switched + kBurst);
    // Each row an event, whatever else the device said meanwhile.
    QTRY_COMPARE(Metric("qvt_alarm_events_total", 1) - events, qint64(Rows(Log(1)).size() - rows));
    QVERIFY(NumberedInOrder(Log(1)));
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
    QCOMPARE(devices.size(), kDevices);
    QCOMPARE(devices[1].toObject()["model"].toString(), QStringLiteral("QVT Dual 2x1"));
    QCOMPARE(devices[1].toObject()["up"].toBool(), true);
    // What a station view needs besides: the notification route and the
    // alarm log's count, as the metrics give them (studio-c's route is
    // missing).
    for (int i : {1, kSilent}) {
        const QJsonObject device = devices[i].toObject();
        QCOMPARE(device["routeOk"].toBool(), i != kSilent);
        QCOMPARE(qint64(device["alarmEvents"].toDouble()), Metric("qvt_alarm_events_total", i));
        QVERIFY(device["lastPollSuccess"].toDouble() > 1.7e9);
    }
    Get("/healthz", &status);
    QCOMPARE(status, 200);
    for (const char *path : {"/probe?target=studio-e", "/devices"}) {
        Get(QString::fromLatin1(path), &status);
        QCOMPARE(status, 404);
    }
    QCOMPARE(Get("/probe", &status), QByteArray("target parameter missing\n"));
    QCOMPARE(status, 400);
    Get("/metrics", &status, "POST");
    QCOMPARE(status, 405);
}

// A value changed on the device outside the tool is journaled by the next
// snapshot as such; one the tool wrote through the journal is not.
void TestMonitord::drift()
{
    // The first whole read is the baseline.
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_monitor.Said().filter(m_addresses[0] + QStringLiteral(": parameters read")).isEmpty(),
        15000);
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
                // Nobody's, between the last snapshot and this one, found here.
                fields << (e.operation == QLatin1String("snapshot") &&
                                   e.context.program == QLatin1String("qvt-monitord") &&
                                   e.context.osUser.isEmpty() && e.context.computer.isEmpty() &&
                                   e.detectedBy == QSysInfo::machineHostName() &&
                                   e.changedAfter.isValid() && e.changedAfter < e.when
                               ? e.change.field
                               : e.operation);
            }
        }
        return fields;
    };
    QTRY_VERIFY_WITH_TIMEOUT(outside().contains(diff), 15000);
    QCOMPARE(outside(), QStringList{diff});
}

// The journal's PostgreSQL server stops: said, shown as qvt_journal_up 0,
// and the change made outside the tool meanwhile waits; once the server is
// back the service connects again and journals that change.
void TestMonitord::journalAway()
{
    QVT_POSTGRES_SERVER(server, "journal");
    QString error;
    MonitorConfig config;
    config.devices.append({QStringLiteral("away"), m_addresses[0], 1, QStringLiteral("guest")});
    config.listenAddress = m_listen;
    config.listenPort = 0;
    config.notifyPort = FreeUdpPort();
    config.logsDir = m_dir.filePath("away-logs");
    config.pollSeconds = 0.2;
    config.snapshotMinutes = 0.01;
    config.journal = server.Url("journal");
    config.journalSpool = m_dir.filePath("away-spool.sqlite");
    ServiceInProcess monitor;
    error = monitor.Start(config);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(monitor->Metrics().contains("\nqvt_journal_up 1\n"), 15000);
    server.Stop();
    m_devices[0]->WithModel([](DeviceModel &m) { ++m.detection[1].freezeValue1; });
    QTRY_VERIFY_WITH_TIMEOUT(monitor->Metrics().contains("\nqvt_journal_up 0\n"), 15000);
    QVERIFY2(server.Restart(&error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(monitor->Metrics().contains("\nqvt_journal_up 1\n"), 15000);
    QVERIFY(monitor->Metrics().contains("\nqvt_journal_pending_operations 0\n"));
    monitor->Stop();
    const auto journal = Journal::Open(config.journal, &error);
    QVERIFY2(journal, qPrintable(error));
    QStringList fields;
    for (const JournalEntry &e : journal->History({})) {
        fields << e.change.field;
    }
    QCOMPARE(fields, QStringList{QStringLiteral("Alarms/Settings/GroupA/Input2/VideoFreeze/Diff")});
    QCOMPARE(monitor.Said().filter("can be written again").size(), 1);
}

// SIGTERM with notifications still unread: the program reads them, writes
// every row and ends with 0. Started again on the same day, it numbers its
// rows on from those already in the file.
void TestMonitord::sigterm()
{
    const quint16 port = FreeUdpPort();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data"));
    UdpSocket device;
    QVERIFY(device.Open() && device.Bind(QHostAddress(m_addresses[0]).toIPv4Address(), 0));
    const int counts[2] = {1000, 10};
    for (const int count : counts) {
        QProcess service;
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
        for (int i = 0; i < count; ++i) {
            quint8 switched[14] = {0, 12, 1, 0, 0, 0, 14, 0, 0, 0, 0, 0, quint8(i % 4), 0};
            switched[13] = quint8(0xFF - ByteSum(switched, 13));
            device.SendTo({0x7F000001, port}, switched, sizeof switched);
        }
        ::kill(pid_t(service.processId()), SIGTERM);
        QVERIFY(service.waitForFinished(10000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
        const QByteArray said = service.readAll();
        QVERIFY2(!said.contains("guest\n") && said.contains("stopped; every alarm row written"),
                 said.constData());
    }
    const QByteArray log = ReadAll(
        QDir(m_dir.filePath("sigterm"))
            .filePath(
                QStringLiteral("studio-a/%1.csv").arg(QDate::currentDate().toString(Qt::ISODate))));
    QCOMPARE(log.count(",Output Switched,"), counts[0] + counts[1]);
    QVERIFY(NumberedInOrder(log));
}

// SIGHUP as systemctl reload sends it: a device removed, one added at the
// address it left, one changed; the untouched one keeps its session and
// every notification sent to it meanwhile. A bad file then changes nothing.
void TestMonitord::reload()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("monitord.conf");
    const auto write = [&](const QList<QPair<const char *, int>> &devices, const QByteArray &more) {
        QByteArray text = "listen = " + m_listen.toLatin1() +
                          ":0\nsnapshot = 0\nlogs = " + dir.filePath("logs").toLatin1() +
                          "\nnotify-port = " + QByteArray::number(FreeUdpPort()) + "\n";
        for (const auto &device : devices) {
            text += QByteArray("[device ") + device.first +
                    "]\naddress = " + m_addresses[device.second].toLatin1() +
                    "\npassword = guest\n";
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text + more) > 0);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    };
    write({{"a", 0}, {"b", 1}, {"c", 2}}, {});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    QProcess service;
    service.setProcessEnvironment(env);
    service.setReadChannel(QProcess::StandardError);
    service.start(QStringLiteral(QVT_MONITORD_PATH), {QStringLiteral("--config"), path});
    const auto said = [&](const QByteArray &text) {
        service.waitForReadyRead(100);
        return service.peek(1 << 20).contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(said("c (" + m_addresses[2].toLatin1() + "): logged in"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(said("a (" + m_addresses[0].toLatin1() + "): logged in"), 5000);
    const quint16 notifyPort = quint16(QRegularExpression("notifications on UDP port (\\d+)")
                                           .match(QString::fromUtf8(service.peek(1 << 20)))
                                           .captured(1)
                                           .toUInt());
    const QString metrics = QRegularExpression("metrics at (http://[^ ]+/metrics)")
                                .match(QString::fromUtf8(service.peek(1 << 20)))
                                .captured(1);
    QVERIFY(notifyPort != 0 && !metrics.isEmpty());

    // a's notifications go on through the reload, from a's address.
    UdpSocket device;
    QVERIFY(device.Open() && device.Bind(QHostAddress(m_addresses[0]).toIPv4Address(), 0));
    constexpr int kSent = 300;
    write({{"a", 0}, {"b", 3}, {"d", 2}}, {});
    ::kill(pid_t(service.processId()), SIGHUP);
    for (int i = 0; i < kSent; ++i) {
        quint8 switched[14] = {0, 12, 1, 0, 0, 0, 14, 0, 0, 0, 0, 0, quint8(i % 4), 0};
        switched[13] = quint8(0xFF - ByteSum(switched, 13));
        device.SendTo({0x7F000001, notifyPort}, switched, sizeof switched);
        if (i % 50 == 0) {
            QTest::qWait(20);  // spread over the reload
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(said("configuration reloaded: 3 device(s); added d; removed c; "
                                  "started again b"),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(said("d (" + m_addresses[2].toLatin1() + "): logged in"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(said("b (" + m_addresses[3].toLatin1() + "): logged in"), 5000);
    QCOMPARE(service.peek(1 << 20).count("a (" + m_addresses[0].toLatin1() + "): logged in"), 1);
    // The notify-port written anew is a global setting: for the next start.
    QVERIFY(said("notify-port changed, which takes effect at the next start"));
    const QString log =
        dir.filePath("logs/a/" + QDate::currentDate().toString(Qt::ISODate) + ".csv");
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(log).count(",Output Switched,"), kSent, 10000);

    write({{"a", 0}}, "nonsense\n");
    ::kill(pid_t(service.processId()), SIGHUP);
    QTRY_VERIFY_WITH_TIMEOUT(said("configuration not reloaded, the devices run on as they were"),
                             5000);
    std::unique_ptr<QNetworkReply> reply(m_http.get(QNetworkRequest(QUrl(metrics))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(5000));
    const QByteArray scraped = reply->readAll();
    QCOMPARE(Value(scraped, "qvt_config_last_reload_successful"), qint64(0));
    for (const char *name : {"a", "b", "d"}) {
        QVERIFY2(scraped.contains(QByteArray("qvt_up{device=\"") + name + "\"}"),
                 scraped.constData());
    }
    QVERIFY(!scraped.contains("qvt_up{device=\"c\"}"));
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void TestMonitord::openFilesLimit_data()
{
    QTest::addColumn<QString>("limit");  // ulimit's options
    QTest::addColumn<int>("devices");
    QTest::addColumn<int>("status");  // -1: runs
    QTest::newRow("too low for 40 devices") << "-n 200" << 40 << 2;
    QTest::newRow("soft limit raised to the hard one") << "-S -n 150" << 40 << -1;
}

// An open-files limit too low for the devices: said with the numbers, exit
// 2 (which systemd does not restart), never a crash. A soft limit below the
// hard one is raised first.
void TestMonitord::openFilesLimit()
{
    QFETCH(QString, limit);
    QFETCH(int, devices);
    QFETCH(int, status);
    QStringList arguments = {QStringLiteral("--notify-port"), QString::number(FreeUdpPort()),
                             QStringLiteral("--listen"),      m_listen + QStringLiteral(":0"),
                             QStringLiteral("--logs"),        m_dir.filePath("limit")};
    const quint32 first = TestLoopback({kDevicePort}, devices);
    for (int i = 0; i < devices; ++i) {
        arguments << QStringLiteral("--device")
                  << QStringLiteral("d%1=%2").arg(i).arg(LoopbackText(first + quint32(i)));
    }
    QProcess service;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data"));
    service.setProcessEnvironment(env);
    service.setReadChannel(QProcess::StandardError);
    service.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral("-c"),
                              QStringLiteral("ulimit %1 && exec \"$0\" \"$@\"").arg(limit),
                              QStringLiteral(QVT_MONITORD_PATH)} +
                      arguments);
    QVERIFY(service.waitForStarted());
    if (status >= 0) {
        QVERIFY(service.waitForFinished(10000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), status);
        QCOMPARE(service.readAll(),
                 QByteArray("qvt-monitord: 40 devices need about 288 open files, but the limit is "
                            "200, which allows at most 18 devices; raise it (LimitNOFILE= in the "
                            "unit, ulimit -n) or watch fewer devices here\n"));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        (service.waitForReadyRead(100), service.peek(1 << 16).contains("watching 40 device(s)")),
        10000);
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestMonitord)
#include "tst_monitord.moc"
