// The service as an AgentX subagent of a real snmpd (master agentx, its
// socket in a temporary folder, SNMP on a free loopback port) whose
// trap2sink is a real snmptrapd writing to a file: what snmpwalk and
// snmpget print with QVT-MONITOR-MIB loaded, the notifications of an alarm
// raised and cleared and of a switch lost and found, and snmpd restarted.

#include "../common/ServiceInProcess.h"
#include "DeviceSimulator.h"
#include "StationMonitor.h"
#include "TextForms.h"

#include "../common/FreeLoopback.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

namespace {
const char *const kNames[2] = {"studio-a", "studio-b"};

QString Program(const QString &name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"});
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class TestSnmp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void walk();
    void alarmTraps_data();
    void alarmTraps();
    void deviceTraps();
    void masterRestarts();

private:
    bool StartSnmpd();
    // snmpwalk or snmpget with the MIB loaded: what it printed.
    QByteArray Snmp(const char *tool, const QString &object);
    // The traps snmptrapd wrote, each on one line (its header dropped).
    QList<QByteArray> Traps(const QByteArray &notification)
    {
        QList<QByteArray> found;
        for (const QByteArray &line : ReadAll(m_dir.filePath("traps.log")).split('\n')) {
            if (line.contains("QVT-MONITOR-MIB::" + notification + '\t')) {
                found << line;
            }
        }
        return found;
    }
    QString Devsim(int i, const QString &command) { return m_devices[i]->Command(command); }

    QTemporaryDir m_dir;
    QString m_mibs;
    quint16 m_snmpPort = FreeUdpPort();
    quint16 m_trapPort = FreeUdpPort();
    QString m_address;
    QProcess m_snmpd, m_snmptrapd;
    std::unique_ptr<DeviceSimulator> m_devices[2];
    QString m_serials[2];
    QString m_addresses[2];
    ServiceInProcess m_monitor;
};

bool TestSnmp::StartSnmpd()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SNMP_PERSISTENT_DIR", m_dir.filePath("snmpd-state"));
    m_snmpd.setProcessEnvironment(env);
    m_snmpd.setProcessChannelMode(QProcess::MergedChannels);
    QFile::remove(m_dir.filePath("agentx.sock"));
    m_snmpd.start(Program("snmpd"),
                  {"-f", "-Lf", m_dir.filePath("snmpd.log"), "-C", "-c",
                   m_dir.filePath("snmpd.conf"), "-M", m_mibs, "-m", "QVT-MONITOR-MIB"});
    const bool ready = QTest::qWaitFor(
                           [this] {
                               return QFile::exists(m_dir.filePath("agentx.sock")) ||
                                      m_snmpd.state() == QProcess::NotRunning;
                           },
                           10000) &&
                       m_snmpd.state() != QProcess::NotRunning;
    if (!ready) {
        qWarning("snmpd did not start (state %d, exit %d, socket %d): %s%s", int(m_snmpd.state()),
                 m_snmpd.exitCode(), int(QFile::exists(m_dir.filePath("agentx.sock"))),
                 m_snmpd.readAll().constData(), ReadAll(m_dir.filePath("snmpd.log")).constData());
    }
    return ready;
}

void TestSnmp::initTestCase()
{
    for (const char *tool : {"snmpd", "snmptrapd", "snmpwalk", "snmpget"}) {
        if (Program(tool).isEmpty()) {
            QSKIP(
                "net-snmp's snmpd, snmptrapd and snmp are not installed (Debian packages "
                "snmpd, snmptrapd, snmp)");
        }
    }
    // The MIB and, for Debian whose main archive lacks them, the SNMPv2
    // base definitions it imports.
    m_mibs = QStringLiteral(QVT_SMI_DIR ":" QVT_MIB_DIR);
    m_address = LoopbackText(TestLoopback({m_snmpPort, m_trapPort}));
    QFile conf(m_dir.filePath("snmpd.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("agentaddress udp:%1:%2\nmaster agentx\nagentXSocket %3\n"
                              "rocommunity public 127.0.0.0/8\ntrap2sink %1:%4 public\n")
                   .arg(m_address)
                   .arg(m_snmpPort)
                   .arg(m_dir.filePath("agentx.sock"))
                   .arg(m_trapPort)
                   .toUtf8());
    conf.close();
    QFile trapConf(m_dir.filePath("snmptrapd.conf"));
    QVERIFY(trapConf.open(QIODevice::WriteOnly));
    trapConf.write("disableAuthorization yes\n");
    trapConf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SNMP_PERSISTENT_DIR", m_dir.filePath("snmptrapd-state"));
    m_snmptrapd.setProcessEnvironment(env);
    m_snmptrapd.setProcessChannelMode(QProcess::MergedChannels);
    m_snmptrapd.start(Program("snmptrapd"),
                      {"-f", "-Lf", m_dir.filePath("traps.log"), "-C", "-c",
                       m_dir.filePath("snmptrapd.conf"), "-M", m_mibs, "-m", "QVT-MONITOR-MIB",
                       QStringLiteral("udp:%1:%2").arg(m_address).arg(m_trapPort)});
    QTRY_VERIFY_WITH_TIMEOUT(ReadAll(m_dir.filePath("traps.log")).contains("NET-SNMP version"),
                             10000);
    QVERIFY(StartSnmpd());

    MonitorConfig config;
    const quint16 notify = FreeUdpPort();
    for (int i = 0; i < 2; ++i) {
        DeviceSimulator::Options options;
        options.address = m_addresses[i] = LoopbackText(TestLoopback());
        options.notify[0] = {0x7F000001, notify};
        options.serial = 12345 + quint32(i);
        m_devices[i] = std::make_unique<DeviceSimulator>(options);
        QVERIFY(m_devices[i]->Start());
        m_devices[i]->WithModel(
            [this, i](DeviceModel &m) { m_serials[i] = SerialNumberText(m.serial); });
        config.devices.append({kNames[i], options.address, 1, QStringLiteral("guest")});
    }
    config.listenAddress = m_address;
    config.listenPort = 0;
    config.notifyPort = notify;
    config.logsDir = m_dir.filePath("logs");
    config.pollSeconds = 0.2;
    config.downAfterSeconds = 1.5;
    config.snapshotMinutes = 0;
    config.agentx = m_dir.filePath("agentx.sock");
    const QString error = m_monitor.Start(config);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("\nqvt_agentx_connected 1\n"), 10000);
}

void TestSnmp::cleanupTestCase()
{
    m_monitor.Reset();
    for (QProcess *process : {&m_snmpd, &m_snmptrapd}) {
        process->terminate();
        process->waitForFinished(5000);
    }
}

QByteArray TestSnmp::Snmp(const char *tool, const QString &object)
{
    QProcess snmp;
    snmp.start(Program(tool), {"-v2c", "-c", "public", "-M", m_mibs, "-m", "QVT-MONITOR-MIB",
                               QStringLiteral("%1:%2").arg(m_address).arg(m_snmpPort), object});
    if (!snmp.waitForFinished(10000)) {
        return QByteArray();
    }
    return snmp.readAllStandardOutput() + snmp.readAllStandardError();
}

// Every column of both switches, as the simulators and the configuration
// hold them, once both have been read.
void TestSnmp::walk()
{
    QTRY_VERIFY_WITH_TIMEOUT(Snmp("snmpwalk", "qvtDeviceSerial").contains(m_serials[1].toUtf8()),
                             10000);
    const QByteArray table = Snmp("snmpwalk", "qvtDeviceTable");
    for (int i = 0; i < 2; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        for (const QByteArray &line :
             {"qvtDeviceName." + n + " = STRING: " + kNames[i],
              "qvtDeviceAddress." + n + " = IpAddress: " + m_addresses[i].toUtf8(),
              "qvtDeviceModel." + n + " = STRING: QVT 4x1 AGC",
              "qvtDeviceSerial." + n + " = STRING: " + m_serials[i].toUtf8(),
              "qvtDeviceFirmware." + n + " = STRING: 1.1.65",
              "qvtDeviceOnline." + n + " = INTEGER: true(1)",
              "qvtDeviceRouteOk." + n + " = INTEGER: true(1)"}) {
            QVERIFY2(table.contains("QVT-MONITOR-MIB::" + line + '\n'), table.constData());
        }
    }
    const QByteArray one = Snmp("snmpget", "qvtDeviceName.2");
    QCOMPARE(one, QByteArray("QVT-MONITOR-MIB::qvtDeviceName.2 = STRING: studio-b\n"));
}

void TestSnmp::alarmTraps_data()
{
    QTest::addColumn<QString>("raise");
    QTest::addColumn<QString>("clear");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("channel");
    QTest::newRow("video") << "alarm 2 video-black on"
                           << "alarm 2 video-black off" << QByteArray("Input 2")
                           << QByteArray("Video Black") << 0;
    QTest::newRow("audio") << "audio-silent 3 2"
                           << "audio-silent 3 0" << QByteArray("Input 3")
                           << QByteArray("Audio Silent") << 2;
    QTest::newRow("system") << "system 15 on"
                            << "system 15 off" << QByteArray() << QByteArray("PS1 Fail") << 0;
}

// A raise and a clear: both notifications with the alarm's varbinds, the
// row between them under the number the notifications carry.
void TestSnmp::alarmTraps()
{
    QFETCH(QString, raise);
    QFETCH(QString, clear);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, name);
    QFETCH(int, channel);
    const int raised = Traps("qvtAlarmRaised").size();
    const int cleared = Traps("qvtAlarmCleared").size();
    QVERIFY(Devsim(0, raise).startsWith("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Traps("qvtAlarmRaised").size(), raised + 1, 10000);
    const QByteArray trap = Traps("qvtAlarmRaised").last();
    QVERIFY2(trap.contains("QVT-MONITOR-MIB::qvtDeviceName.1 = STRING: studio-a\t"),
             trap.constData());
    const int at = trap.indexOf("qvtActiveAlarmInput.1.");
    QVERIFY(at > 0);
    const QByteArray row = trap.mid(at + 20).split(' ').value(0);  // "1.N"
    for (const QByteArray &varbind :
         {"qvtActiveAlarmInput." + row + " = STRING: " + input + '\t',
          "qvtActiveAlarmName." + row + " = STRING: " + name + '\t',
          "qvtActiveAlarmChannel." + row + " = Gauge32: " + QByteArray::number(channel) + '\t',
          QByteArray("qvtEventTime.0 = ")}) {
        QVERIFY2(trap.contains(varbind), trap.constData());
    }
    QVERIFY2(Snmp("snmpwalk", "qvtActiveAlarmTable")
                 .contains("qvtActiveAlarmName." + row + " = STRING: " + name + '\n'),
             row.constData());
    QVERIFY(Devsim(0, clear).startsWith("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Traps("qvtAlarmCleared").size(), cleared + 1, 10000);
    QVERIFY2(Traps("qvtAlarmCleared")
                 .last()
                 .contains("qvtActiveAlarmName." + row + " = STRING: " + name + '\t'),
             Traps("qvtAlarmCleared").last().constData());
    QVERIFY(!Snmp("snmpwalk", "qvtActiveAlarmTable").contains("qvtActiveAlarmName." + row + ' '));
}

// A switch that stops answering: qvtDeviceDown once it counts as lost, its
// row says so, and qvtDeviceUp when it answers again.
void TestSnmp::deviceTraps()
{
    QVERIFY(Devsim(1, "offline 4").startsWith("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Traps("qvtDeviceDown").size(), 1, 10000);
    QVERIFY(Traps("qvtDeviceDown").first().contains("qvtDeviceName.2 = STRING: studio-b\t"));
    QTRY_VERIFY_WITH_TIMEOUT(Snmp("snmpget", "qvtDeviceOnline.2").contains("INTEGER: false(2)"),
                             5000);
    QTRY_COMPARE_WITH_TIMEOUT(Traps("qvtDeviceUp").size(), 1, 15000);
}

// snmpd stops: said once, the metric 0, and an alarm raised meanwhile is
// notified once the master agent is back and the subagent with it.
void TestSnmp::masterRestarts()
{
    m_snmpd.terminate();
    QVERIFY(m_snmpd.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("\nqvt_agentx_connected 0\n"), 15000);
    QVERIFY(Devsim(1, "alarm 3 signal-lost on").startsWith("ok"));
    const QString log =
        m_dir.filePath("logs/studio-b/" + QDate::currentDate().toString(Qt::ISODate) + ".csv");
    QTRY_VERIFY_WITH_TIMEOUT(ReadAll(log).contains(",Input 3,Signal Lost,Asserted"), 5000);
    const int before = Traps("qvtAlarmRaised").size();
    QVERIFY(StartSnmpd());
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->Metrics().contains("\nqvt_agentx_connected 1\n"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(Traps("qvtAlarmRaised").size(), before + 1, 10000);
    QVERIFY(Traps("qvtAlarmRaised").last().contains("STRING: Signal Lost\t"));
    QVERIFY(Snmp("snmpwalk", "qvtDeviceName").contains("studio-b"));
    QCOMPARE(m_monitor.Said().filter("master agent at").filter("is away").size(), 1);
}

QTEST_GUILESS_MAIN(TestSnmp)

#include "tst_snmp.moc"
