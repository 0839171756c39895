#include "../common/Golden.h"
#include "../common/SimulatorClient.h"
#include "../common/TestSocket.h"

#include <QElapsedTimer>
#include <QtTest>

#include <thread>
#include <vector>

namespace {
// A loopback address with nothing on it, picked at run time.
const QString kNobody = TestAddress();

// Spins until `done` holds, for at most two seconds.
template <class Done>
bool WaitFor(Done &&done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 2000) {
            return false;
        }
        QThread::usleep(100);
    }
    return true;
}

// A client operation and its result.
using Operation = std::function<int(CfgNetClient &)>;
}  // namespace

Q_DECLARE_METATYPE(Operation)

class TestClient : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void init();
    void maps();
    void setThenGet();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void expiredLoginIsRenewed();
    void faultsSurvived_data();
    void faultsSurvived();
    void unreachableDevice();
    // These draw login identifiers from the simulator's seeded generator:
    // they come after the tests whose faults it decides.
    void repeatIsSentOnce();
    void expiryWithThreeThreads();
    void newSessionForgetsLogin();
    void firstSequenceIsOne();
    void closeEndsTransactions();
    void flagsGoOutAsOneOrZero_data();
    void flagsGoOutAsOneOrZero();
};

void TestClient::init()
{
    QCOMPARE(m_device->Command("fault clear"), QStringLiteral("ok"));
    m_client.SetUser(0, QStringLiteral("admin"));
    QCOMPARE(m_client.Login(), 0);
}

// Index maps as the pages use them: caller entry k is device entry map[k];
// a Set leaves what its map does not address at the empty values. (The
// genlock's state: tst_workers polls.)
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

// Set then Get where the pages' tests (which read the simulator's model after
// each Apply) do not reach: a group sent with the other's empty values, a map
// read back the other way round, unset combination entries, a changed address.
void TestClient::setThenGet()
{
    QCOMPARE(m_client.SetAudioEffect(1, 1, 750, 2), 0);
    quint8 enable = 0, duplication = 0;
    quint32 duration = 0;
    QCOMPARE(m_client.GetAudioEffect(1, enable, duration, duplication), 0);
    QCOMPARE(int(enable), 1);
    QCOMPARE(duration, 750u);
    QCOMPARE(int(duplication), 2);
    QCOMPARE(m_client.GetAudioEffect(0, enable, duration, duplication), 0);
    QCOMPARE(int(enable), 0);  // the other group went out with its empty values

    QCOMPARE(m_client.SetAutoSwitchMethod({0, 1}, {2, 1}), 0);
    QVector<qint32> methods;
    QCOMPARE(m_client.GetAutoSwitchMethod({1, 0}, methods), 0);
    QCOMPARE(methods, (QVector<qint32>{1, 2}));

    QVector<alarmTrigger> triggers(4);  // entries 0 to 2 unset: combination 255
    triggers[3] = {kAlarmVideoFrozen, 0x00FF, 0xFF00, 1};
    QCOMPARE(m_client.SetAutoSwitchTrigger(triggers), 0);
    QVector<alarmTrigger> triggersBack;
    QCOMPARE(m_client.GetAutoSwitchTrigger(triggersBack), 0);
    QCOMPARE(triggersBack.size(), 4);
    QVERIFY(triggersBack[3] == triggers[3]);
    QCOMPARE(triggersBack[0].TriggerCombination, 255u);

    QString ip, mask, gateway;
    quint8 isDefault = 0;
    QCOMPARE(m_client.GetNetParam(ip, mask, gateway, isDefault), 0);
    QCOMPARE(QStringList({ip, mask}), QStringList({kDevice, "255.0.0.0"}));
    QCOMPARE(int(isDefault), 1);
    QCOMPARE(m_client.SetNetParam("127.0.0.44", "255.255.0.0", "127.0.0.1"), 0);
    QCOMPARE(m_client.GetNetParam(ip, mask, gateway, isDefault), 0);
    QCOMPARE(ip, QStringLiteral("127.0.0.44"));
    QCOMPARE(mask, QStringLiteral("255.255.0.0"));
    QCOMPARE(int(isDefault), 0);
    QCOMPARE(m_client.SetNetParam(kDevice, "255.0.0.0", "127.0.0.1"), 0);
    // Every loopback address of this machine lies in the device's 127/8.
    QVERIFY(m_client.LocalAddresses().contains(QStringLiteral("127.0.0.1")));
    QVERIFY(m_client.LocalAddressOnDeviceSubnet().startsWith(QStringLiteral("127.")));
}

void TestClient::refusedBeforeSending_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::newRow("map entry 2 of two groups") << Operation([](CfgNetClient &c) {
        QVector<quint8> values;
        return c.GetPGMOutputSelect({0, 2}, values);
    });
    QTest::newRow("map entry 4 of four inputs") << Operation([](CfgNetClient &c) {
        QVector<VideoStandard> standards;
        QVector<quint8> present;
        return c.GetInputStandards({4}, standards, present);
    });
    QTest::newRow("map longer than its values") << Operation([](CfgNetClient &c) {
        return c.SetPGMOutputSelect({0, 1}, {3});
    });
    QTest::newRow("address text 256") << Operation([](CfgNetClient &c) {
        return c.SetNetParam("192.168.1.256", "255.255.255.0", "192.168.1.1");
    });
    QTest::newRow("destination text empty") << Operation([](CfgNetClient &c) {
        return c.SetNotificationDest({"", "0.0.0.0"}, {40000, 0});
    });
    QTest::newRow("audio effect group 2")
        << Operation([](CfgNetClient &c) { return c.SetAudioEffect(2, 1, 100, 0); });
}

// Bad arguments fail at once: nothing reaches the device.
void TestClient::refusedBeforeSending()
{
    QFETCH(Operation, operation);
    const quint64 before = m_device->RequestsReceived();
    QCOMPARE(operation(m_client), -1);
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

// The repeat after a renewed login goes out once: when its answer is lost,
// the operation fails without sending it again.
void TestClient::repeatIsSentOnce()
{
    CfgNetClient client(100);
    LogIn(client, kDevice);
    QCOMPARE(m_device->Command(QStringLiteral("fault drop-ok %1").arg(kMsgGetAUXOutputSelect)),
             QStringLiteral("ok"));
    QCOMPARE(m_device->Command("expire-login"), QStringLiteral("ok"));
    const quint64 before = m_device->RequestsOfType(kMsgGetAUXOutputSelect);
    quint8 aux = 0;
    QCOMPARE(client.GetAUXOutputSelect(aux), -1);
    QCOMPARE(m_device->RequestsOfType(kMsgGetAUXOutputSelect) - before, quint64(2));
}

// The window and the two workers share the client. When the device drops
// the login, one of them logs in again and the others use that login: one
// Authentication per expiry, and no operation fails.
void TestClient::expiryWithThreeThreads()
{
    constexpr int kThreads = 3;
    constexpr int kExpiries = 200;
    CfgNetClient client(500);
    LogIn(client, kDevice);
    std::atomic<bool> running{true};
    std::atomic<int> failures{0};
    std::atomic<int> finished[kThreads];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        finished[t] = 0;
        threads.emplace_back([&client, t, &running, &failures, &finished] {
            while (running) {
                quint32 mode = 0;
                quint8 a = 0, b = 0;
                const int rc = t == 0   ? client.GetWorkMode(mode)
                               : t == 1 ? client.GetGPIOState(a, b)
                                        : client.GetAUXOutputSelect(a);
                failures += rc != 0 ? 1 : 0;
                ++finished[t];
            }
        });
    }
    auto logins = [this] { return m_device->RequestsOfType(kMsgAuthentication); };
    const quint64 before = logins();
    for (int e = 1; e <= kExpiries && failures == 0; ++e) {
        m_device->Command("expire-login");
        // The next expiry comes only when every thread has finished two
        // operations begun after the new login, so none holds the old one.
        if (!WaitFor([&] { return logins() >= before + e; })) {
            break;
        }
        int seen[kThreads];
        for (int t = 0; t < kThreads; ++t) {
            seen[t] = finished[t];
        }
        if (!WaitFor([&] {
                for (int t = 0; t < kThreads; ++t) {
                    if (finished[t] < seen[t] + 2) {
                        return false;
                    }
                }
                return true;
            })) {
            break;
        }
    }
    running = false;
    for (std::thread &t : threads) {
        t.join();
    }
    QCOMPARE(failures.load(), 0);
    QCOMPARE(logins() - before, quint64(kExpiries));
}

// A new session starts without the last one's login: the work-mode check
// before the login goes out with none, so a wrong password is reported as
// such rather than tried on a login the device has dropped, and the refused
// login is not sent again.
void TestClient::newSessionForgetsLogin()
{
    m_client.Close();
    QCOMPARE(m_device->Command("expire-login"), QStringLiteral("ok"));
    QCOMPARE(m_client.Open(kDevice, 33903), 0);
    m_client.SetUser(0, QStringLiteral("wrong"));
    const quint64 logins = m_device->RequestsOfType(kMsgAuthentication);
    quint32 mode = 0;
    QCOMPARE(m_client.GetWorkMode(mode), 0);
    const QByteArray sent = m_device->LastRequest(kMsgGetWorkMode);
    QCOMPARE(sent.mid(Frame::kLoginIdOffset, 4), QByteArray(4, '\0'));
    QCOMPARE(m_device->RequestsOfType(kMsgAuthentication), logins);
    const quint64 before = m_device->RequestsReceived();
    QCOMPARE(m_client.Login(), 12);
    QCOMPARE(m_device->RequestsReceived() - before, quint64(1));
}

void TestClient::firstSequenceIsOne()
{
    CfgNetClient client;
    QCOMPARE(client.Open(kDevice, 33903), 0);
    quint32 mode = 0;
    QCOMPARE(client.GetWorkMode(mode), 0);
    QCOMPARE(SequenceOf(m_device->LastRequest(kMsgGetWorkMode)), quint16(1));
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
    CfgNetClient client(150);
    LogIn(client, kDevice);
    QCOMPARE(client.SetPGMOutputSelect({0, 1}, {1, 2}), 0);
    QCOMPARE(client.SetAUXOutputSelect(3), 0);
    QCOMPARE(m_device->Command(fault), QStringLiteral("ok"));
    int successes = 0;
    for (int i = 0; i < 20; ++i) {
        QVector<quint8> pgm;
        if (client.GetPGMOutputSelect({0, 1}, pgm) == 0) {
            QCOMPARE(pgm, (QVector<quint8>{1, 2}));
            ++successes;
        }
        quint8 aux = 0;
        if (client.GetAUXOutputSelect(aux) == 0) {
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

    CfgNetClient quick(100);
    QCOMPARE(quick.Open(kNobody, 33903), 0);
    QCOMPARE(quick.LocalAddressOnDeviceSubnet(), QStringLiteral("0.0.0.0"));
}

// Disconnecting does not wait for a device that has gone quiet: Close ends
// both transactions under way (one on the wire, one waiting its turn) at
// once, and later requests fail without being sent until the next Open.
void TestClient::closeEndsTransactions()
{
    quint32 address = 0;
    QVERIFY(Ipv4FromText(kNobody, &address));
    TestSocket quiet(address, 33903);  // takes requests, never answers
    QVERIFY(quiet.ok());
    CfgNetClient client;
    QCOMPARE(client.Open(kNobody, 33903), 0);
    QElapsedTimer clock;
    clock.start();
    int results[2] = {0, 0};
    std::atomic<qint64> returned[2];
    std::vector<std::thread> callers;
    for (int i = 0; i < 2; ++i) {
        callers.emplace_back([&, i] {
            quint32 mode = 0;
            results[i] = client.GetWorkMode(mode);
            returned[i] = clock.elapsed();
        });
    }
    const bool onTheWire = !quiet.Receive(nullptr, 2000).isEmpty();
    QTest::qSleep(50);  // lets the second caller reach the transport; nothing signals it
    const qint64 closing = clock.elapsed();
    client.Close();
    const qint64 closeTook = clock.elapsed() - closing;
    for (std::thread &t : callers) {
        t.join();
    }
    QVERIFY(onTheWire);
    QVERIFY2(closeTook < 100, qPrintable(QString::number(closeTook)));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(results[i], -1);
        QVERIFY2(returned[i] - closing < 100, qPrintable(QString::number(returned[i] - closing)));
    }

    quint32 mode = 0;
    QCOMPARE(client.GetWorkMode(mode), -1);
    QCOMPARE(quiet.Receive(nullptr, 50), QByteArray());
    // The next Open sends again: to the device, which answers at once.
    QCOMPARE(client.Open(kDevice, 33903), 0);
    QCOMPARE(client.GetWorkMode(mode), 0);
}

void TestClient::flagsGoOutAsOneOrZero_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("given");
    const char *const names[] = {"relay", "detection", "audio effect"};
    for (int operation = 0; operation < 3; ++operation) {
        for (int given : {2, 0xFF, 0}) {
            QTest::addRow("%s %d", names[operation], given) << operation << given;
        }
    }
}

// Flag bytes reach the device as 1 or 0, whatever the caller holds for "on";
// the thresholds beside them go out as given.
void TestClient::flagsGoOutAsOneOrZero()
{
    QFETCH(int, operation);
    QFETCH(int, given);
    const auto v = static_cast<quint8>(given);
    quint16 type = 0;
    QVector<int> flags;  // payload offsets of the flag bytes
    QVector<int> kept;   // payload offsets of bytes that must be v
    if (operation == 0) {
        QCOMPARE(m_client.SetRelayControl({0, 1}, {v, v}, {v, v}), 0);
        type = kMsgSetRelayControl;
        flags = {0, 1, 2, 3};
    } else if (operation == 1) {
        DetectionParam p;
        for (quint8 *flag : {&p.lostEnable, &p.formatEnable, &p.syncEnable, &p.blackEnable,
                             &p.blackRegionEnable, &p.blackRegionInvert, &p.freezeEnable,
                             &p.freezeRegionEnable, &p.freezeRegionInvert, &p.freezeValue2}) {
            *flag = v;
        }
        QCOMPARE(m_client.SetDetectionParam(3, p), 0);
        type = kMsgSetDetectionParam;
        flags = {1, 10, 19, 28, 43, 52, 53, 65, 74};  // after the input byte
        kept = {56};                                  // the freeze threshold
    } else {
        QCOMPARE(m_client.SetAudioEffect(1, v, 250, 0), 0);
        type = kMsgSetAudioEffect;
        flags = {5};
    }
    const QByteArray payload = m_device->LastRequest(type).mid(Frame::kHeaderSize);
    for (int at : flags) {
        QCOMPARE(int(quint8(payload.at(at))), given ? 1 : 0);
    }
    for (int at : kept) {
        QCOMPARE(int(quint8(payload.at(at))), given);
    }
}

QTEST_GUILESS_MAIN(TestClient)
#include "tst_client.moc"
