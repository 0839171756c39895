#include "CfgNetClient.h"
#include "DeviceSimulator.h"

#include "../common/FreeLoopback.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// This test's loopback addresses, picked at run time: the device, and an
// address with nothing on it.
const QString kDevice = TestAddress();
const QString kNobody = TestAddress();
}  // namespace

class TestClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void identity();
    void maps();
    void setThenGet();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void expiredLoginIsRenewed();
    void wrongPasswordIsNotRetried();
    void guestIsReadOnly();
    void faultsSurvived_data();
    void faultsSurvived();
    void unreachableDevice();

private:
    std::unique_ptr<DeviceSimulator> m_device;
    CfgNetClient m_client;
};

void TestClient::initTestCase()
{
    DeviceSimulator::Options options;
    options.address = kDevice;
    options.notify[0] = {0, 0};
    m_device = std::make_unique<DeviceSimulator>(options);
    QVERIFY(m_device->Start());
    QCOMPARE(m_client.Open(kDevice, 33903), 0);
    m_client.SetUser(0, QStringLiteral("admin"));
    QCOMPARE(m_client.Login(), 0);
}

void TestClient::init()
{
    QCOMPARE(m_device->Command("fault clear"), QStringLiteral("ok"));
    m_client.SetReceiveTimeoutForTests(0);
    m_client.SetUser(0, QStringLiteral("admin"));
    QCOMPARE(m_client.Login(), 0);
}

void TestClient::identity()
{
    quint32 mode = 99;
    QCOMPARE(m_client.GetWorkMode(mode), 0);
    QCOMPARE(mode, 1u);
    quint32 code = 0;
    QByteArray serial, extra;
    QCOMPARE(m_client.GetProductInfo(code, serial, extra), 0);
    QCOMPARE(code, 50002u);
    QCOMPARE(serial.toHex(), QByteArray("515600003039002a"));
    QCOMPARE(extra.size(), 8);
    QString pcb, fpga, firmware;
    QCOMPARE(m_client.GetVersion(pcb, fpga, firmware), 0);
    QCOMPARE(pcb, QStringLiteral("1.3"));
    QCOMPARE(fpga, QStringLiteral("20180523"));
    QCOMPARE(firmware, QStringLiteral("1.1.65"));
    QString ip, mask, gateway;
    quint8 isDefault = 0;
    QCOMPARE(m_client.GetNetParam(ip, mask, gateway, isDefault), 0);
    QCOMPARE(ip, kDevice);
    QCOMPARE(mask, QStringLiteral("255.0.0.0"));

    // Every loopback address of this machine lies in the device's 127/8.
    QVERIFY(m_client.LocalAddresses().contains(QStringLiteral("127.0.0.1")));
    QVERIFY(m_client.LocalAddressOnDeviceSubnet().startsWith(QStringLiteral("127.")));
}

// Index maps as the pages use them: caller entry k is device entry map[k];
// a Set leaves what its map does not address at the empty values.
void TestClient::maps()
{
    QCOMPARE(m_client.SetPGMOutputSelect({0, 1}, {2, 3}), 0);
    QVector<quint8> pgm;
    QCOMPARE(m_client.GetPGMOutputSelect({1, 0}, pgm), 0);
    QCOMPARE(pgm, (QVector<quint8>{3, 2}));

    QCOMPARE(m_client.SetPGMOutputSelect({1}, {1}), 0);
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return m.pgm[0]; }), quint8(255));
    QCOMPARE(m_client.GetPGMOutputSelect({1}, pgm), 0);
    QCOMPARE(pgm, (QVector<quint8>{1}));

    QCOMPARE(m_client.SetRelayControl({0, 1}, {1, 1}, {1, 1}), 0);
    QCOMPARE(m_client.SetRelayControl({1}, {1}, {0}), 0);
    QVector<quint8> manual, protect;
    QCOMPARE(m_client.GetRelayControl({0, 1}, manual, protect), 0);
    QCOMPARE(manual, (QVector<quint8>{0, 1}));
    QCOMPARE(protect, (QVector<quint8>{0, 0}));

    m_device->Command("signal 3 none");
    m_device->Command("signal 4 720p50");
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    QCOMPARE(m_client.GetInputStandards({3, 2}, standards, present), 0);
    QCOMPARE(standards, (QVector<VideoStandard>{19, kNoSignal}));
    QCOMPARE(present, (QVector<quint8>{1, 0}));
    VideoStandard genlock = 0;
    quint8 genlockPresent = 0;
    m_device->Command("genlock none");
    QCOMPARE(m_client.GetGenlockState(genlock, genlockPresent), 0);
    QCOMPARE(genlock, kNoSignal);
    QCOMPARE(int(genlockPresent), 0);
    m_device->Command("genlock PAL");
    m_device->Command("signal 3 1080i50");

    m_device->Command("audio-silent 2 0x3");
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    QCOMPARE(m_client.GetAlarmInfo({1, 0}, video, lost, silent, system), 0);
    QCOMPARE(silent, (QVector<quint16>{3, 0}));
    m_device->Command("audio-silent 2 0");

    QCOMPARE(m_client.SetPhase({1}, {5}, {6}, {1}), 0);
    QVector<quint16> lines, pixels;
    QVector<quint8> modes;
    QCOMPARE(m_client.GetGroupPhase({1, 0}, lines, pixels, modes), 0);
    QCOMPARE(lines.value(0), quint16(5));
    QCOMPARE(pixels.value(0), quint16(6));
    QCOMPARE(modes, (QVector<quint8>{1, 0}));
}

// Every Set operation is seen by the matching Get.
void TestClient::setThenGet()
{
    QCOMPARE(m_client.SetGPIOTriggerMode(ActiveHigh, ActiveLow), 0);
    GPIOTriggerMode gpi = ActiveLow, gpo = ActiveHigh;
    QCOMPARE(m_client.GetGPIOTriggerMode(gpi, gpo), 0);
    QCOMPARE(gpi, ActiveHigh);
    QCOMPARE(gpo, ActiveLow);

    DetectionParam detection;
    detection.blackEnable = 1;
    detection.blackRegionRight = 1279;
    detection.audioSilentThreshold = -55;
    QCOMPARE(m_client.SetDetectionParam(2, detection), 0);
    DetectionParam back;
    QCOMPARE(m_client.GetDetectionParam(2, back), 0);
    QVERIFY(back == detection);

    QCOMPARE(m_client.SetSystemAlarmParam(0x8003), 0);
    SystemAlarm enables = 0;
    QCOMPARE(m_client.GetSystemAlarmParam(enables), 0);
    QCOMPARE(enables, 0x8003u);

    QCOMPARE(m_client.SetAudioEffect(1, 1, 750, 2), 0);
    quint8 enable = 0, duplication = 0;
    quint32 duration = 0;
    QCOMPARE(m_client.GetAudioEffect(1, enable, duration, duplication), 0);
    QCOMPARE(int(enable), 1);
    QCOMPARE(duration, 750u);
    QCOMPARE(int(duplication), 2);
    QCOMPARE(m_client.GetAudioEffect(0, enable, duration, duplication), 0);
    QCOMPARE(int(enable), 0);  // the other group went out with its empty values

    QCOMPARE(m_client.SetAUXOutputSelect(4), 0);
    quint8 aux = 0;
    QCOMPARE(m_client.GetAUXOutputSelect(aux), 0);
    QCOMPARE(int(aux), 4);

    QCOMPARE(m_client.SetAutoSwitchMethod({0, 1}, {2, 1}), 0);
    QVector<qint32> methods;
    QCOMPARE(m_client.GetAutoSwitchMethod({1, 0}, methods), 0);
    QCOMPARE(methods, (QVector<qint32>{1, 2}));

    QVector<alarmTrigger> triggers(4);
    triggers[3] = {kAlarmVideoFrozen, 0x00FF, 0xFF00, 1};
    QCOMPARE(m_client.SetAutoSwitchTrigger(triggers), 0);
    QVector<alarmTrigger> triggersBack;
    QCOMPARE(m_client.GetAutoSwitchTrigger(triggersBack), 0);
    QCOMPARE(triggersBack.size(), 4);
    QVERIFY(triggersBack[3] == triggers[3]);
    QCOMPARE(triggersBack[0].TriggerCombination, 255u);

    QCOMPARE(m_client.ManualReturn(0), 0);

    AGCParam agc;
    agc.gainControlMode = 1;
    agc.manualGain = 7;
    agc.channelMode[15] = 2;
    agc.targetLevel = 23;
    agc.frequencyCompensation = 1;
    QCOMPARE(m_client.SetAGCParam(agc), 0);
    AGCParam agcBack;
    QCOMPARE(m_client.GetAGCParam(agcBack), 0);
    QVERIFY(agcBack == agc);

    m_device->Command("levels out 16 42");
    QVector<quint16> in, out;
    QCOMPARE(m_client.GetAudioLevel(in, out), 0);
    QCOMPARE(in.size(), 16);
    QCOMPARE(out.value(15), quint16(42));

    QCOMPARE(m_client.SetNotificationDest({"127.0.4.1", "0.0.0.0"}, {40404, 0}), 0);
    QStringList ips;
    QVector<quint16> ports;
    QCOMPARE(m_client.GetNotificationDest(ips, ports), 0);
    QCOMPARE(ips, (QStringList{"127.0.4.1", "0.0.0.0"}));
    QCOMPARE(ports, (QVector<quint16>{40404, 0}));

    QCOMPARE(m_client.SetPhaseAutoAlign({0, 1}), 0);
    QVector<quint8> flags;
    QCOMPARE(m_client.GetPhaseAutoAlign(flags), 0);
    QCOMPARE(flags, (QVector<quint8>{0, 1}));
    QCOMPARE(m_client.AlignPhase(0), 0);

    QVector<quint16> lines, pixels;
    QVector<PhaseState> states;
    QVector<bool> locked;
    QCOMPARE(m_client.GetPhase({0, 1, 2, 3}, lines, pixels, states, locked), 0);
    QCOMPARE(states.value(0), PhaseSynchronised);
    QCOMPARE(locked.size(), 2);

    quint8 gpiStatus = 0, gpoStatus = 0;
    m_device->Command("gpi 0x02");
    QCOMPARE(m_client.GetGPIOState(gpiStatus, gpoStatus), 0);
    QCOMPARE(int(gpiStatus), 2);
    QCOMPARE(int(gpoStatus) & 0x0F, 2);
    m_device->Command("gpi 0");

    QCOMPARE(m_client.SetNetParam("127.0.0.44", "255.255.0.0", "127.0.0.1"), 0);
    QString ip, mask, gateway;
    quint8 isDefault = 1;
    QCOMPARE(m_client.GetNetParam(ip, mask, gateway, isDefault), 0);
    QCOMPARE(ip, QStringLiteral("127.0.0.44"));
    QCOMPARE(int(isDefault), 0);
    QCOMPARE(m_client.SetNetParam(kDevice, "255.0.0.0", "127.0.0.1"), 0);

    QCOMPARE(m_client.ModifyPassword("guest", "g2"), 0);
    m_client.SetUser(1, "g2");
    QCOMPARE(m_client.Login(), 0);
    m_client.SetUser(0, "admin");
    QCOMPARE(m_client.Login(), 0);
    QCOMPARE(m_client.ModifyPassword("guest", "guest"), 0);
}

void TestClient::refusedBeforeSending_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("map entry 2 of two groups") << 0;
    QTest::newRow("map entry 4 of four inputs") << 1;
    QTest::newRow("map longer than its values") << 2;
    QTest::newRow("address text 256") << 3;
    QTest::newRow("destination text empty") << 4;
    QTest::newRow("audio effect group 2") << 5;
}

// Bad arguments fail at once: nothing reaches the device.
void TestClient::refusedBeforeSending()
{
    QFETCH(int, which);
    const quint64 before = m_device->RequestsReceived();
    QVector<quint8> values;
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    int rc = 0;
    switch (which) {
        case 0:
            rc = m_client.GetPGMOutputSelect({0, 2}, values);
            break;
        case 1:
            rc = m_client.GetInputStandards({4}, standards, present);
            break;
        case 2:
            rc = m_client.SetPGMOutputSelect({0, 1}, {3});
            break;
        case 3:
            rc = m_client.SetNetParam("192.168.1.256", "255.255.255.0", "192.168.1.1");
            break;
        case 4:
            rc = m_client.SetNotificationDest({"", "0.0.0.0"}, {40000, 0});
            break;
        default:
            rc = m_client.SetAudioEffect(2, 1, 100, 0);
            break;
    }
    QCOMPARE(rc, -1);
    QCOMPARE(m_device->RequestsReceived(), before);
}

// An expired login is renewed with the stored credentials and the request
// repeated once: the caller sees only the success.
void TestClient::expiredLoginIsRenewed()
{
    const quint64 before = m_device->RequestsReceived();
    QCOMPARE(m_device->Command("expire-login"), QStringLiteral("ok"));
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    QCOMPARE(m_client.GetAlarmInfo({0, 1, 2, 3}, video, lost, silent, system), 0);
    QCOMPARE(m_device->RequestsReceived() - before, quint64(3));  // refused, login, repeat
    QVERIFY(m_device->Command("status").contains("login yes"));

    // When the renewal itself is refused, its result is what the caller gets.
    QCOMPARE(m_device->Command("expire-login"), QStringLiteral("ok"));
    m_client.SetUser(0, "wrong");
    const quint64 failing = m_device->RequestsReceived();
    QCOMPARE(m_client.GetAlarmInfo({0}, video, lost, silent, system), -1);
    QCOMPARE(m_device->RequestsReceived() - failing, quint64(2));  // no repeat
}

void TestClient::wrongPasswordIsNotRetried()
{
    m_client.SetUser(0, QStringLiteral("nope"));
    const quint64 before = m_device->RequestsReceived();
    QCOMPARE(m_client.Login(), 12);
    QCOMPARE(m_device->RequestsReceived() - before, quint64(1));
}

void TestClient::guestIsReadOnly()
{
    m_client.SetUser(1, QStringLiteral("guest"));
    QCOMPARE(m_client.Login(), 0);
    SystemAlarm enables = 0;
    QCOMPARE(m_client.GetSystemAlarmParam(enables), 0);
    QCOMPARE(m_client.SetSystemAlarmParam(enables), -1);
}

void TestClient::faultsSurvived_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("least");  // successes of 40 operations
    // A lost answer is sent again; an answer that arrives damaged fails the
    // operation at once, so those faults cost more.
    QTest::newRow("every answer twice") << "fault duplicate 100" << 40;
    QTest::newRow("stale answer first") << "fault stale on" << 40;
    QTest::newRow("reordered") << "fault reorder on" << 30;
    QTest::newRow("half from another port") << "fault wrong-port 50" << 30;
    QTest::newRow("a third dropped") << "fault drop 30" << 30;
    QTest::newRow("a third corrupted") << "fault corrupt 30" << 18;
    QTest::newRow("a third truncated") << "fault truncate 30" << 18;
    QTest::newRow("a third oversized") << "fault oversize 30" << 18;
}

// Whatever the device does wrong, an operation that succeeds returns the
// right values, and most succeed thanks to the one resend.
void TestClient::faultsSurvived()
{
    QFETCH(QString, fault);
    QFETCH(int, least);
    m_client.SetReceiveTimeoutForTests(150);
    QCOMPARE(m_client.SetPGMOutputSelect({0, 1}, {1, 2}), 0);
    QCOMPARE(m_client.SetAUXOutputSelect(3), 0);
    QCOMPARE(m_device->Command(fault), QStringLiteral("ok"));
    int successes = 0;
    for (int i = 0; i < 20; ++i) {
        QVector<quint8> pgm;
        if (m_client.GetPGMOutputSelect({0, 1}, pgm) == 0) {
            QCOMPARE(pgm, (QVector<quint8>{1, 2}));
            ++successes;
        }
        quint8 aux = 0;
        if (m_client.GetAUXOutputSelect(aux) == 0) {
            QCOMPARE(int(aux), 3);
            ++successes;
        }
    }
    QVERIFY2(successes >= least, qPrintable(QString::number(successes)));
}

// The real time-out, once: two attempts of 2 s each.
void TestClient::unreachableDevice()
{
    CfgNetClient client;
    QCOMPARE(client.Open(kNobody, 33903), 0);
    quint32 mode = 7;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client.GetWorkMode(mode), -1);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 4000 && elapsed < 4600, qPrintable(QString::number(elapsed)));
    QCOMPARE(mode, 7u);  // outputs are written only on success

    client.SetReceiveTimeoutForTests(100);
    QCOMPARE(client.LocalAddressOnDeviceSubnet(), QStringLiteral("0.0.0.0"));
}

QTEST_GUILESS_MAIN(TestClient)
#include "tst_client.moc"
