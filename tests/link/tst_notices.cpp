#include "AlarmState.h"
#include "ByteOrder.h"
#include "DeviceSimulator.h"
#include "DeviceTables.h"
#include "NoticesServer.h"
#include "Session.h"

#include "../common/FreeLoopback.h"
#include "../common/JoiningThread.h"
#include "../common/QueuedSpy.h"
#include "../common/TestSocket.h"

#include <QSignalSpy>
#include <QtTest>

#include <vector>

namespace {
// This test's loopback addresses and ports, picked at run time: the device, a
// stranger, and the tool's notification ports.
const quint32 kDevice = TestLoopback();
const QString kDeviceText = LoopbackText(kDevice);
const quint32 kStranger = TestLoopback();
const quint16 kPort = FreeUdpPort();
const quint16 kOtherPort = FreeUdpPort();

// A notification datagram as the device lays it out; `size` pads or cuts it,
// and the checksum is fixed up last unless `sum` asks for another total.
QByteArray Notification(quint32 code, quint8 group, quint8 input, quint32 value, int size = 14,
                        int sum = 0xFF, int lengthDelta = 0, quint8 version = 1)
{
    quint8 fields[13];
    WriteU16(fields, static_cast<quint16>(size - 2 + lengthDelta));
    fields[2] = version;
    WriteU32(fields + 3, code);
    fields[7] = group;
    fields[8] = input;
    WriteU32(fields + 9, value);
    // Put together in a vector, whose size the compiler can follow, and
    // copied out once: the checksum goes last, over the bytes before it.
    std::vector<quint8> d(fields, fields + std::min(13, size - 1));
    d.resize(size - 1);
    d.push_back(static_cast<quint8>(sum - ByteSum(d.data(), size - 1)));
    return QByteArray(reinterpret_cast<const char *>(d.data()), size);
}

// A device's notifications, to the tool's port unless told otherwise.
struct Sender : TestSocket {
    explicit Sender(quint32 from = kDevice) : TestSocket(from, 0) {}
    void Send(const QByteArray &d, quint16 port = kPort)
    {
        TestSocket::Send({0x7F000001, port}, d);
    }
};

QString Text(const AlarmInfo &info)
{
    return QStringList{info.input, info.alarmType, info.alarmStatus, info.notes}.join('|');
}

AlarmInfo Info(const QueuedSpy &spy, int i)
{
    return spy.at(i).at(0).value<AlarmInfo>();
}
}  // namespace

class TestNotices : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void naming_data();
    void naming();
    void audioMasks_data();
    void audioMasks();
    void dropped_data();
    void dropped();
    void pollRowsAsNotified_data();
    void pollRowsAsNotified();
    void flood();
    void stopAndRebindUnderLoad();
    void nothingAfterStop();
    void handOverIsPrompt();
    void twoSessions();

private:
    // The device's route, for a model.
    void Route(int product) { m_server->Attach(m_route.get(), kDeviceText, product); }

    std::unique_ptr<NoticesServer> m_server;
    std::unique_ptr<NoticeRoute> m_route;
    std::unique_ptr<QueuedSpy> m_spy;
};

void TestNotices::init()
{
    m_server = std::make_unique<NoticesServer>();
    m_route = std::make_unique<NoticeRoute>();
    Route(50001);
    // The spy is connected before the receive thread exists, so the thread
    // start orders the two for ThreadSanitizer.
    m_spy = std::make_unique<QueuedSpy>(m_route.get(), &NoticeRoute::NotityAlarmInfo);
    QVERIFY(m_server->Start(kPort));
}

void TestNotices::cleanup()
{
    m_server.reset();
    m_spy.reset();
    m_route.reset();
}

void TestNotices::naming_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("expected");  // input|type|status|notes

    const int dual = 50000;
    const int four = 50001;
    auto row = [](const char *name, int product, const QByteArray &d, const char *expected) {
        QTest::newRow(name) << product << d << QString::fromLatin1(expected);
    };
    row("1 raised, 4x1", four, Notification(1, 0, 0, 1), "Input 1|Signal Lost|Asserted|");
    row("1 raised, dual B-2", dual, Notification(1, 1, 3, 1), "B-Input 2|Signal Lost|Asserted|");
    row("1 value 2 clears", four, Notification(1, 0, 0, 2), "Input 1|Signal Lost|Cleared|");
    row("1 input 4 unnamed", four, Notification(1, 0, 4, 1), "|Signal Lost|Asserted|");
    row("2 cleared", four, Notification(2, 0, 3, 0), "Input 4|Signal Format Error|Cleared|");
    row("2 dual A-2", dual, Notification(2, 0, 1, 1), "A-Input 2|Signal Format Error|Asserted|");
    row("3", dual, Notification(3, 1, 2, 1), "B-Input 1|Signal Sync Failed|Asserted|");
    row("4", four, Notification(4, 0, 2, 1), "Input 3|Video Black|Asserted|");
    row("5", dual, Notification(5, 0, 0, 0), "A-Input 1|Video Frozen|Cleared|");
    row("8", four, Notification(8, 0, 0, 1), "|Genlock Lost|Asserted|");
    row("8 dual cleared", dual, Notification(8, 0, 0, 0), "|Genlock Lost|Cleared|");
    row("9 dual group B", dual, Notification(9, 1, 0, 1),
        "Group B|System Clocking Unlocked|Asserted|");
    row("9 4x1 group 1 is A", four, Notification(9, 1, 0, 1),
        "Group A|System Clocking Unlocked|Asserted|");
    row("9 group 2 unnamed", dual, Notification(9, 2, 0, 0), "|System Clocking Unlocked|Cleared|");
    row("10 value 0", four, Notification(10, 0, 0, 0),
        "Group A|Genlocking Source Switched|Asserted|");
    row("10 value 3", dual, Notification(10, 0, 0, 3),
        "Group A|Genlocking Source Switched|Cleared|A-Input 2");
    row("10 value 1", dual, Notification(10, 1, 0, 1),
        "Group B|Genlocking Source Switched|Cleared|Genlock");
    row("10 value 9", four, Notification(10, 0, 0, 9),
        "Group A|Genlocking Source Switched|Cleared|Input 4");
    row("10 value 10", four, Notification(10, 0, 0, 10),
        "Group A|Genlocking Source Switched|Cleared|");
    row("11", dual, Notification(11, 1, 0, 1), "Group B|GPI Relay Triggered|Asserted|");
    row("12 dual input 3", dual, Notification(12, 1, 3, 1), "Group B|GPI 2 Triggered|Asserted|");
    row("12 4x1 input 2", four, Notification(12, 0, 2, 0), "Group A|GPI 3 Triggered|Cleared|");
    row("12 input 5", four, Notification(12, 0, 5, 1), "|GPI 5 Triggered|Asserted|");
    row("13", four, Notification(13, 0, 0, 1), "Group A|Relay Bypassed|Asserted|");
    row("14 no input", four, Notification(14, 0, 0, 0xFFFFFFFF),
        "Group A|Output Switched|Asserted|");
    row("14 dual B value 1", dual, Notification(14, 1, 0, 1),
        "Group B|Output Switched|Cleared|B-Input 2");
    row("14 dual group 5", dual, Notification(14, 5, 0, 0), "|Output Switched|Cleared|B-Input 1");
    row("14 4x1 value 2", four, Notification(14, 0, 0, 2),
        "Group A|Output Switched|Cleared|Input 3");
    row("15", four, Notification(15, 0, 0, 1), "|PS1 Fail|Asserted|");
    row("16", dual, Notification(16, 0, 0, 0), "|PS2 Fail|Cleared|");
    row("17 unknown", four, Notification(17, 0, 0, 1), "|||");
    row("0 unknown", dual, Notification(0, 0, 0, 1), "|||");
}

void TestNotices::naming()
{
    QFETCH(int, product);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, expected);
    Route(product);
    QueuedSpy &spy = *m_spy;
    Sender device;
    device.Send(datagram);
    QVERIFY(spy.wait(2000));
    const AlarmInfo info = Info(spy, 0);
    QCOMPARE(Text(info), expected);
    QVERIFY(info.time.isValid());
    QVERIFY(qAbs(info.time.secsTo(QDateTime::currentDateTime())) < 5);

    // The simulator sends what the device sends, byte for byte.
    NotificationMsg msg;
    QCOMPARE(msg.Parse(reinterpret_cast<const quint8 *>(datagram.constData()), datagram.size()), 0);
    QCOMPARE(msg.Serialize().toHex(' '), datagram.toHex(' '));
}

void TestNotices::audioMasks_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("raise, add, clear, nothing, both")
        << 50001
        << QList<QByteArray>{Notification(6, 0, 1, 1), Notification(6, 0, 1, 5),
                             Notification(6, 0, 1, 4), Notification(6, 0, 1, 4),
                             Notification(6, 0, 1, 3)}
        << QStringList{"Input 2|Audio Lost|Asserted|Ch1 ", "Input 2|Audio Lost|Asserted|Ch3 ",
                       "Input 2|Audio Lost|Cleared|Ch1 ", "Input 2|Audio Lost||",
                       "Input 2|Audio Lost|Asserted|Ch1 Ch2 "};
    QTest::newRow("lost and silent, inputs apart")
        << 50001
        << QList<QByteArray>{Notification(6, 0, 0, 0x8000), Notification(7, 0, 0, 0x8000),
                             Notification(6, 0, 3, 0x8000), Notification(6, 0, 0, 0)}
        << QStringList{"Input 1|Audio Lost|Asserted|Ch16 ", "Input 1|Audio Silent|Asserted|Ch16 ",
                       "Input 4|Audio Lost|Asserted|Ch16 ", "Input 1|Audio Lost|Cleared|Ch16 "};
    QTest::newRow("dual groups apart")
        << 50000
        << QList<QByteArray>{Notification(7, 0, 0, 3), Notification(7, 1, 2, 3),
                             Notification(7, 1, 2, 1)}
        << QStringList{"A-Input 1|Audio Silent|Asserted|Ch1 Ch2 ",
                       "B-Input 1|Audio Silent|Asserted|Ch1 Ch2 ",
                       "B-Input 1|Audio Silent|Cleared|Ch2 "};
    QTest::newRow("only the low 16 bits count")
        << 50001 << QList<QByteArray>{Notification(6, 0, 2, 0x10002)}
        << QStringList{"Input 3|Audio Lost|Asserted|Ch2 "};
}

// Each audio notification names only the channels that changed since the
// last mask seen for that alarm and input.
void TestNotices::audioMasks()
{
    QFETCH(int, product);
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(QStringList, expected);
    Route(product);
    QueuedSpy &spy = *m_spy;
    Sender device;
    for (const QByteArray &d : datagrams) {
        device.Send(d);
    }
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), expected.size(), 2000);
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(Text(Info(spy, i)), expected[i]);
    }

    // The status pages overwrite the memory with the device's masks: a
    // notification that repeats them is no change.
    m_route->Masks().Store({0, 0x0F, 0, 0}, {0, 0, 0, 0});
    device.Send(Notification(6, 0, 1, 0x0F));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), expected.size() + 1, 2000);
    QCOMPARE(Info(spy, expected.size()).alarmStatus, QString());
}

void TestNotices::dropped_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("stranger");
    QTest::addColumn<bool>("accepted");
    const QByteArray good = Notification(13, 0, 0, 1);
    QTest::newRow("well formed") << good << false << true;
    QTest::newRow("from another address") << good << true << false;
    QTest::newRow("byte sum 0xFE") << Notification(13, 0, 0, 1, 14, 0xFE) << false << false;
    QTest::newRow("length field one more")
        << Notification(13, 0, 0, 1, 14, 0xFF, 1) << false << false;
    QTest::newRow("version 2") << Notification(13, 0, 0, 1, 14, 0xFF, 0, 2) << false << false;
    QTest::newRow("9 bytes") << Notification(13, 0, 0, 1, 9) << false << false;
    QTest::newRow("10 bytes") << Notification(13, 0, 0, 1, 10) << false << true;
    QTest::newRow("13 bytes") << Notification(13, 0, 0, 1, 13) << false << true;
    QTest::newRow("1039 bytes") << Notification(13, 0, 0, 1, 1039) << false << true;
    QTest::newRow("1040 bytes") << Notification(13, 0, 0, 1, 1040) << false << false;
    QTest::newRow("empty") << QByteArray() << false << false;
}

void TestNotices::dropped()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, stranger);
    QFETCH(bool, accepted);
    QueuedSpy &spy = *m_spy;
    Sender device;
    Sender other(kStranger);
    (stranger ? other : device).Send(datagram);
    device.Send(Notification(15, 0, 0, 1));  // a marker that is always accepted
    QTRY_VERIFY_WITH_TIMEOUT(
        spy.count() >= 1 && Info(spy, spy.count() - 1).alarmType == QStringLiteral("PS1 Fail"),
        2000);
    QCOMPARE(spy.count(), accepted ? 2 : 1);
    QCOMPARE(m_server->Dropped(NoticesServer::Drop::UnknownSender), quint64(stranger ? 1 : 0));
    QCOMPARE(m_server->Dropped(NoticesServer::Drop::Malformed),
             quint64(accepted || stranger || datagram.isEmpty() ? 0 : 1));
    QCOMPARE(m_server->Dropped(NoticesServer::Drop::Empty), quint64(datagram.isEmpty() ? 1 : 0));
}

void TestNotices::pollRowsAsNotified_data()
{
    QTest::addColumn<bool>("dual");
    QTest::newRow("dual 2x1") << true;
    QTest::newRow("4x1") << false;
}

// Every alarm a notification raises, for every input and group the model
// has, is the alarm bit whose change a poll logs under the same input and
// name (so that the two make one row, not two), and reading that row back
// gives the bit; every named system alarm is reached so.
void TestNotices::pollRowsAsNotified()
{
    QFETCH(bool, dual);
    const int groups = dual ? 2 : 1;
    QVector<NotificationMsg> messages;
    const auto add = [&](quint32 code, int group, int input, quint32 value) {
        const QByteArray d = Notification(code, quint8(group), quint8(input), value);
        messages.append(NotificationMsg());
        QCOMPARE(messages.last().Parse(reinterpret_cast<const quint8 *>(d.constData()), d.size()),
                 0);
    };
    for (int input = 0; input < 4; ++input) {
        for (quint32 code = 1; code <= 7; ++code) {
            add(code, input / 2, input, code >= 6 ? 0x8001 : 1);
        }
        add(12, input / 2, input, 1);
    }
    for (int group = 0; group < groups; ++group) {
        for (const quint32 code : {9u, 10u, 11u, 13u, 14u}) {
            add(code, group, 0, code == 10 ? 0 : code == 14 ? 0xFFFFFFFF : 1);
        }
    }
    for (const quint32 code : {8u, 15u, 16u}) {
        add(code, 0, 0, 1);
    }
    SystemAlarm reached = 0;
    for (const NotificationMsg &msg : messages) {
        AudioMasks masks;
        const AlarmInfo told = DescribeNotification(msg, dual, masks);
        AlarmState bits;
        const EventTouch touch = TouchedBy(told, dual, bits);
        QVERIFY2(touch != EventTouch::None, qPrintable(Text(told)));
        reached |= bits.system;
        const QVector<AlarmInfo> polled = AlarmChanges({}, bits, dual, QString(), {});
        QCOMPARE(polled.size(), 1);
        QCOMPARE(polled[0].input, told.input);
        QCOMPARE(polled[0].alarmType, told.alarmType);
        if (touch == EventTouch::Raise) {
            QCOMPARE(polled[0].notes, told.notes);
            AlarmState back;
            QVERIFY(ApplyEvent(polled[0], dual, back));
            QVERIFY(back == bits);
        }
    }
    SystemAlarm named = 0;
    for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
        named |= SystemAlarmName(bit, dual).isEmpty() ? 0 : 1u << bit;
    }
    QCOMPARE(reached, named);
}

// 10,000 notifications at 2,000 a second: every one arrives, in order.
void TestNotices::flood()
{
    qInfo("notification socket receive buffer: %d bytes", m_server->ReceiveBufferSize());
    DeviceSimulator::Options options;
    options.address = kDeviceText;
    options.notify[0] = {0x7F000001, kPort};
    DeviceSimulator device(options);
    QVERIFY(device.Start());
    QueuedSpy &spy = *m_spy;
    QCOMPARE(device.Command("flood 10000 2000"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 10000, 20000);
    QTest::qWait(200);
    QCOMPARE(spy.count(), 10000);
    for (int i = 0; i < spy.count(); ++i) {
        const QString notes = Info(spy, i).notes;
        if (notes != QStringLiteral("Input %1").arg(i + 1)) {
            QFAIL(qPrintable(QStringLiteral("event %1 is '%2'").arg(i).arg(notes)));
        }
    }
}

// Stop, Start and Rebind from this thread while datagrams keep arriving:
// the receive thread never reads a socket that is being closed or replaced
// (run under ThreadSanitizer and AddressSanitizer in scripts/test).
void TestNotices::stopAndRebindUnderLoad()
{
    std::atomic<bool> sending{true};
    JoiningThread sender(
        [&sending] {
            Sender device;
            quint32 i = 0;
            while (sending) {
                device.Send(Notification(14, 0, 0, i), i % 2 ? kPort : kOtherPort);
                ++i;
                if (i % 16 == 0) {
                    QThread::usleep(200);
                }
            }
        },
        [&sending] { sending = false; });
    QueuedSpy &spy = *m_spy;
    for (int round = 0; round < 40; ++round) {
        QVERIFY(m_server->Rebind(round % 2 ? kPort : kOtherPort));
        QTest::qWait(5);
        m_server->Stop();
        QVERIFY(m_server->Start(kPort));
        QTest::qWait(5);
    }
    const int before = spy.count();
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() > before + 10, 3000);
    sending = false;
    sender.join();
}

// Once Stop has returned, nothing more is emitted, though the receive thread
// may have had a notification in hand at that moment. Notifications pour in
// while servers start and stop, so that the moment is often hit.
void TestNotices::nothingAfterStop()
{
    std::atomic<bool> sending{true};
    JoiningThread sender(
        [&sending] {
            Sender device;
            for (quint32 i = 0; sending; ++i) {
                device.Send(Notification(14, 0, 0, i), kOtherPort);
            }
        },
        [&sending] { sending = false; });
    int lateRounds = 0;
    int silentRounds = 0;
    for (int round = 0; round < 40; ++round) {
        std::atomic<bool> stopped{false};
        std::atomic<int> seen{0};
        std::atomic<int> late{0};
        {
            NoticeRoute route;
            NoticesServer server;
            server.Attach(&route, kDeviceText, 50001);
            connect(
                &route, &NoticeRoute::NotityAlarmInfo, &server,
                [&] {
                    ++seen;
                    late += stopped ? 1 : 0;
                },
                Qt::DirectConnection);
            QElapsedTimer clock;
            clock.start();
            server.Start(kOtherPort);
            while (seen == 0 && clock.elapsed() < 2000) {
                QThread::usleep(100);
            }
            server.Stop();
            stopped = true;
        }  // the receive thread has ended here
        lateRounds += late > 0 ? 1 : 0;
        silentRounds += seen == 0 ? 1 : 0;
    }
    sender.join();
    QCOMPARE(silentRounds, 0);
    QCOMPARE(lateRounds, 0);
}

// Stop, Start and Rebind run on the user-interface thread (disconnect, login,
// the destination dialog): they wake the waiting receive instead of waiting
// for it to time out.
void TestNotices::handOverIsPrompt()
{
    qint64 longest = 0;
    for (int round = 0; round < 10; ++round) {
        QTest::qWait(20);  // the receive thread is waiting on the socket again
        QElapsedTimer clock;
        clock.start();
        const bool rebound = m_server->Rebind(round % 2 ? kPort : kOtherPort);
        longest = std::max(longest, clock.restart());
        QTest::qWait(20);
        clock.restart();
        m_server->Stop();
        const bool started = m_server->Start(kPort);
        longest = std::max(longest, clock.elapsed());
        QVERIFY(rebound && started);
    }
    QVERIFY2(longest < 30, qPrintable(QStringLiteral("%1 ms").arg(longest)));
    // Still receiving after all that.
    Sender().Send(Notification(15, 0, 0, 1));
    QVERIFY(m_spy->wait());
}

// Two sessions to two devices of different models in one process, through one
// receiver: each gets only its own device's notifications, named for its
// model and against its own audio masks, and ending one leaves the other.
void TestNotices::twoSessions()
{
    std::unique_ptr<DeviceSimulator> devices[2];
    std::unique_ptr<Session> sessions[2];
    std::unique_ptr<QueuedSpy> spies[2];
    const int models[2] = {50000, 50001};
    for (int i = 0; i < 2; ++i) {
        DeviceSimulator::Options options;
        options.address = LoopbackText(TestLoopback());
        options.model = quint32(models[i]);
        options.notify[0] = {0x7F000001, kPort};
        devices[i] = std::make_unique<DeviceSimulator>(options);
        QVERIFY(devices[i]->Start());
        sessions[i] = std::make_unique<Session>(SessionTimings{150, 50, 0});
        spies[i] =
            std::make_unique<QueuedSpy>(&sessions[i]->Notices(), &NoticeRoute::NotityAlarmInfo);
        QCOMPARE(int(sessions[i]->LogIn(options.address, Session::kGuest, "guest")),
                 int(DeviceSession::LoginOutcome::LoggedIn));
        sessions[i]->SetProductType(models[i]);
        sessions[i]->RouteNotifications(m_server.get());
        sessions[i]->StartWorkers();
    }
    devices[0]->Command("audio-lost 3 0x0003");
    devices[1]->Command("audio-lost 3 0x0001");
    QTRY_VERIFY_WITH_TIMEOUT(spies[0]->count() == 1 && spies[1]->count() == 1, 2000);
    QCOMPARE(Text(Info(*spies[0], 0)), QStringLiteral("B-Input 1|Audio Lost|Asserted|Ch1 Ch2 "));
    QCOMPARE(Text(Info(*spies[1], 0)), QStringLiteral("Input 3|Audio Lost|Asserted|Ch1 "));
    QCOMPARE(sessions[0]->Notices().Masks().Get(6, 2), quint16(0x0003));
    QCOMPARE(sessions[1]->Notices().Masks().Get(6, 2), quint16(0x0001));
    QCOMPARE(m_spy->count(), 0);  // the fixture's route has no device here

    sessions[0]->Close();
    sessions[0]->Join();
    QVERIFY(sessions[0]->IsOffline() && !sessions[1]->IsOffline());
    devices[0]->Command("audio-lost 3 0");
    devices[1]->Command("audio-lost 3 0x0003");
    QTRY_COMPARE_WITH_TIMEOUT(spies[1]->count(), 2, 2000);
    QCOMPARE(Text(Info(*spies[1], 1)), QStringLiteral("Input 3|Audio Lost|Asserted|Ch2 "));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->Dropped(NoticesServer::Drop::UnknownSender), quint64(1),
                              2000);
    QCOMPARE(spies[0]->count(), 1);
}

QTEST_GUILESS_MAIN(TestNotices)
#include "tst_notices.moc"
