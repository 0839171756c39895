#include "../common/FreeLoopback.h"
#include "../common/Golden.h"
#include "../common/TestSocket.h"
#include "ConfigMessages.h"
#include "DeviceFleet.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"
#include "TextForms.h"
#include "UdpTransport.h"

#include <QProcess>
#include <QtTest>

namespace {
// This test's loopback addresses and ports, picked at run time: the device in
// this process, the simulator process, and the notification listener.
const quint32 kDevice = TestLoopback();
const QString kDeviceText = LoopbackText(kDevice);
const quint32 kProcess = TestLoopback();
const quint16 kListenerPort = FreeUdpPort();
const quint32 kListener = TestLoopback({kListenerPort});
const quint32 kFleet = TestLoopback({kDevicePort}, 3);  // three in a row
const QString kFleetText = LoopbackText(kFleet);

DeviceSimulator::Options OptionsFor(quint32 model)
{
    DeviceSimulator::Options options;
    options.address = kDeviceText;
    options.model = model;
    options.notify[0] = {kListener, kListenerPort};
    options.seed = 7;
    return options;
}

// The tool's side, reduced to what these tests need: the protocol library over
// the transport, with its own sequence counter and login identifier.
class Client
{
public:
    explicit Client(const QString &address = kDeviceText)
    {
        m_transport.Open(address, kDevicePort);
    }

    // The device's result code, or -1 when no valid answer came.
    int Transact(RequestMsg &request, std::unique_ptr<ResponseMsg> *response = nullptr)
    {
        std::unique_ptr<ResponseMsg> answer;
        if (m_transport.Exchange(request, answer, 0) != 0) {
            return -1;
        }
        const int result = static_cast<int>(answer->result);
        if (response) {
            *response = std::move(answer);
        }
        return result;
    }
    template <class Request>
    Request Make()
    {
        return Request(loginId, ++m_sequence);
    }
    // A request with nothing set: its result code.
    template <class Request>
    int Send()
    {
        Request request = Make<Request>();
        return Transact(request);
    }
    template <class Response>
    Response *Get(RequestMsg &request, std::unique_ptr<ResponseMsg> &holder)
    {
        return Transact(request, &holder) == 0 ? dynamic_cast<Response *>(holder.get()) : nullptr;
    }
    int Login(const QByteArray &user, const QByteArray &password)
    {
        RequestAuthentication auth(0, ++m_sequence);
        auth.user = user;
        auth.password = password;
        std::unique_ptr<ResponseMsg> response;
        const int result = Transact(auth, &response);
        if (result == 0) {
            loginId = dynamic_cast<ResponseAuthentication &>(*response).loginId;
        }
        return result;
    }

    quint32 loginId = 0;

private:
    UdpTransport m_transport;
    quint16 m_sequence = 0;
};

// Raw datagrams, for what the transport would hide: faults and framing errors.
struct RawLink : TestSocket {
    void Send(const QByteArray &bytes) { TestSocket::Send({kDevice, kDevicePort}, bytes); }
};

// A notification as the datagram lays it out.
struct Note {
    int size = 0;
    bool checksumOk = false;
    int length = 0, version = 0;
    quint32 code = 0;
    int group = 0, input = 0;
    quint32 value = 0;
    quint32 from = 0;
};

// The notifications that reach `listener` within the wait, and the rest of
// their burst, which follows at once.
QList<Note> Notes(TestSocket &listener, int waitMs)
{
    QList<Note> notes;
    UdpSocket::Peer from;
    for (QByteArray d; !(d = listener.Receive(&from, waitMs)).isEmpty(); waitMs = 100) {
        const auto *b = reinterpret_cast<const quint8 *>(d.constData());
        notes.append({int(d.size()), ByteSum(b, d.size()) == 0xFF && from.port == kDevicePort,
                      ReadU16(b), b[2], ReadU32(b + 3), b[7], b[8], ReadU32(b + 9), from.address});
    }
    return notes;
}

QString Describe(const QList<Note> &notes)
{
    QStringList out;
    for (const Note &n : notes) {
        out << QStringLiteral("%1:%2/%3=%4").arg(n.code).arg(n.group).arg(n.input).arg(n.value);
    }
    return out.join(QLatin1Char(' '));
}

// A request with one value of the row's choosing.
using MakeRequest = std::function<std::unique_ptr<RequestMsg>(quint32 loginId, int value)>;

template <class Request, class Set>
MakeRequest Making(Set set)
{
    return [set](quint32 loginId, int value) -> std::unique_ptr<RequestMsg> {
        auto request = std::make_unique<Request>(loginId, 1);
        set(*request, static_cast<quint8>(value));
        return request;
    };
}
}  // namespace

Q_DECLARE_METATYPE(MakeRequest)

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void setThenGet_data();
    void setThenGet();
    void invalidValues_data();
    void invalidValues();
    void logins();
    void framingErrors_data();
    void framingErrors();
    void updateModeAndOffline();
    void notifications_data();
    void notifications();
    void switching();
    void faults_data();
    void faults();
    void faultsAreSeeded();
    void consoleErrors_data();
    void consoleErrors();
    void fleet_data();
    void fleet();
    void process_data();
    void process();
};

void TestSim::setThenGet_data()
{
    QTest::addColumn<quint32>("model");
    QTest::newRow("dual 2x1") << 50000u;
    QTest::newRow("4x1") << 50001u;
    QTest::newRow("4x1 AGC") << 50002u;
}

// Set then Get where tests/link/tst_client.cpp does not reach: a phase group
// sent empty is left alone, and what each model supports. Every detection
// field of every input, every combination entry and every AGC value:
// tests/params/tst_params fileCarriesEveryValue.
void TestSim::setThenGet()
{
    QFETCH(quint32, model);
    DeviceSimulator device(OptionsFor(model));
    QVERIFY(device.Start());
    Client c;
    QCOMPARE(c.Login("admin", "admin"), 0);
    std::unique_ptr<ResponseMsg> h;

    auto phase = c.Make<RequestSetPhase>();
    phase.delayLine[0] = 12;
    phase.delayPixel[0] = 345;
    phase.clockingMode[0] = 1;
    QCOMPARE(c.Transact(phase), 0);
    auto partial = c.Make<RequestSetPhase>();
    partial.delayLine[1] = 99;
    partial.clockingMode[1] = 1;
    QCOMPARE(c.Transact(partial), 0);
    auto getPhase = c.Make<SimpleRequest<kMsgGetPhase>>();
    auto *phaseNow = c.Get<ResponseGetPhase>(getPhase, h);
    QVERIFY(phaseNow);
    QCOMPARE(phaseNow->delayLine[0], quint16(12));
    QCOMPARE(phaseNow->delayPixel[0], quint16(345));
    QCOMPARE(int(phaseNow->clockingMode[0]), 1);
    QCOMPARE(phaseNow->delayLine[1], quint16(99));
    QCOMPARE(int(phaseNow->phaseState[0]), 3);  // signal present and genlocked

    const int agc = model == 50002 ? 0 : int(kResultUnsupportedMsg);
    QCOMPARE(c.Send<RequestSetAGCParam>(), agc);
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAGCParam>>(), agc);
    auto product = c.Make<SimpleRequest<kMsgGetProductInfo>>();
    QCOMPARE(c.Get<ResponseGetProductInfo>(product, h)->productCode, model);
}

void TestSim::invalidValues_data()
{
    QTest::addColumn<MakeRequest>("make");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    const auto getDetection = Making<RequestGetDetectionParam>([](auto &r, int v) { r.input = v; });
    const auto setDetection = Making<RequestSetDetectionParam>([](auto &r, int v) { r.input = v; });
    const auto manualReturn = Making<RequestManualReturn>([](auto &r, int v) { r.group = v; });
    const auto pgm = Making<RequestSetPGMOutputSelect>([](auto &r, int v) { r.input[0] = v; });
    const auto aux = Making<RequestSetAUXOutputSelect>([](auto &r, int v) { r.source = v; });
    const auto method = Making<RequestSetAutoSwitchMethod>([](auto &r, int v) { r.method[0] = v; });
    QTest::newRow("get detection of input 4") << getDetection << 4 << 1;
    QTest::newRow("set detection of input 4") << setDetection << 4 << 1;
    QTest::newRow("manual return of group 2") << manualReturn << 2 << 1;
    QTest::newRow("manual return of group 1") << manualReturn << 1 << 0;
    QTest::newRow("align phase of group 2")
        << Making<RequestAlignPhase>([](auto &r, int v) { r.group = v; }) << 2 << 1;
    QTest::newRow("programme selection 4") << pgm << 4 << 1;
    QTest::newRow("programme selection 255") << pgm << 255 << 0;
    QTest::newRow("aux selection 5") << aux << 5 << 1;
    QTest::newRow("aux selection 4 (programme)") << aux << 4 << 0;
    QTest::newRow("return method 3") << method << 3 << 1;
    QTest::newRow("combination 3") << Making<RequestSetAutoSwitchTrigger>([](auto &r, int v) {
        r.entries[1].TriggerCombination = v;
    }) << 3 << 1;
    // A SetSystemAlarmParam whose payload is one byte short.
    class Short final : public NoDataRequest
    {
    public:
        using NoDataRequest::NoDataRequest;
        int PayloadLength() const override { return 3; }

    protected:
        void SerializePayload(quint8 *payload) const override { payload[0] = 1; }
    };
    QTest::newRow("set with a short payload")
        << MakeRequest([](quint32 loginId, int) -> std::unique_ptr<RequestMsg> {
               return std::make_unique<Short>(kMsgSetSystemAlarmParam, loginId, 1);
           })
        << 0 << 9;
}

void TestSim::invalidValues()
{
    QFETCH(MakeRequest, make);
    QFETCH(int, value);
    QFETCH(int, result);
    DeviceSimulator device(OptionsFor(50001));
    QVERIFY(device.Start());
    Client c;
    QCOMPARE(c.Login("admin", "admin"), 0);
    QCOMPARE(c.Transact(*make(c.loginId, value)), result);
}

void TestSim::logins()
{
    DeviceSimulator::Options options = OptionsFor(50002);
    options.adminPassword = "s3cret";
    DeviceSimulator device(options);
    QVERIFY(device.Start());
    Client c;
    std::unique_ptr<ResponseMsg> h;

    // Work mode answers before any login: the tool asks it first.
    QCOMPARE(c.Send<SimpleRequest<kMsgGetWorkMode>>(), 0);
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAlarmInfo>>(), int(kResultAuthenticationTimeout));

    QCOMPARE(c.Login("admin", "admin"), int(kResultAuthenticationFailed));
    QCOMPARE(c.Login("root", "s3cret"), int(kResultAuthenticationFailed));
    QCOMPARE(c.Login("admin", "s3cret"), 0);
    const quint32 first = c.loginId;
    QVERIFY(first != 0);
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAlarmInfo>>(), 0);

    c.loginId = first + 1;
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAlarmInfo>>(), int(kResultAuthenticationTimeout));
    c.loginId = first;

    QCOMPARE(device.Command("expire-login"), QStringLiteral("ok"));
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAlarmInfo>>(), int(kResultAuthenticationTimeout));
    QCOMPARE(c.Login("admin", "s3cret"), 0);
    QVERIFY(c.loginId != 0 && c.loginId != first);

    // A guest reads everything and changes nothing.
    QCOMPARE(c.Login("guest", "guest"), 0);
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAutoSwitchTrigger>>(), 0);
    QCOMPARE(c.Send<RequestSetSystemAlarmParam>(), int(kResultFailed));
    auto password = c.Make<RequestModifyPassword>();
    password.user = "admin";
    password.password = "x";
    QCOMPARE(c.Transact(password), int(kResultFailed));
    QCOMPARE(c.Send<RequestManualReturn>(), int(kResultFailed));
}

void TestSim::framingErrors_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("result");  // -1: no answer at all

    const QByteArray good = Framed(kMsgGetWorkMode, 0, 5, QByteArray());
    QTest::newRow("well formed") << good << 0;
    QByteArray version = good;
    version[2] = 2;
    version[11] = char(version[11] - 1);
    QTest::newRow("version 2") << version << 10;
    QByteArray length = good;
    length[1] = char(length[1] + 1);
    length[11] = char(length[11] - 1);
    QTest::newRow("length field one too big") << length << 9;
    QTest::newRow("type 60") << Framed(60, 0, 5, QByteArray()) << 11;
    QTest::newRow("type 1000") << Framed(1000, 0, 5, Hex("0102")) << 11;
    QByteArray checksum = good;
    checksum[11] = char(checksum[11] + 1);
    QTest::newRow("bad checksum") << checksum << -1;
    QTest::newRow("too short") << Hex("000901000300000000") << -1;
}

void TestSim::framingErrors()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, result);
    DeviceSimulator device(OptionsFor(50002));
    QVERIFY(device.Start());
    RawLink link;
    link.Send(datagram);
    const auto got = link.Collect(result < 0 ? 300 : 150);
    if (result < 0) {
        QVERIFY(got.isEmpty());
        return;
    }
    QCOMPARE(got.size(), 1);
    const QByteArray answer = got[0].first;
    QCOMPARE(int(ReadU32(reinterpret_cast<const quint8 *>(answer.constData()) + 5)), result);
    QCOMPARE(SequenceOf(answer), quint16(5));
    QCOMPARE(TypeOf(answer), TypeOf(datagram));
    QCOMPARE(answer.size(), result == 0 ? 14 : 12);  // a failure carries no payload
}

void TestSim::updateModeAndOffline()
{
    DeviceSimulator device(OptionsFor(50002));
    QVERIFY(device.Start());
    Client c;
    QCOMPARE(c.Login("admin", "admin"), 0);
    std::unique_ptr<ResponseMsg> h;

    QCOMPARE(device.Command("update-mode on"), QStringLiteral("ok"));
    auto mode = c.Make<SimpleRequest<kMsgGetWorkMode>>();
    QCOMPARE(int(c.Get<ResponseGetWorkMode>(mode, h)->workMode), 0);
    QCOMPARE(c.Send<SimpleRequest<kMsgGetAlarmInfo>>(), int(kResultUnsupportedMsg));
    QCOMPARE(device.Command("update-mode off"), QStringLiteral("ok"));
    auto mode2 = c.Make<SimpleRequest<kMsgGetWorkMode>>();
    QCOMPARE(int(c.Get<ResponseGetWorkMode>(mode2, h)->workMode), 1);

    QCOMPARE(device.Command("offline 0.4"), QStringLiteral("ok"));
    RawLink link;
    link.Send(Framed(kMsgGetWorkMode, 0, 1, QByteArray()));
    QVERIFY(link.Collect(250).isEmpty());
    QThread::msleep(200);
    link.Send(Framed(kMsgGetWorkMode, 0, 2, QByteArray()));
    QCOMPARE(link.Collect(150).size(), 1);
}

void TestSim::notifications_data()
{
    QTest::addColumn<quint32>("model");
    QTest::addColumn<QString>("commands");  // one console line after another, by ", "
    QTest::addColumn<QString>("expected");  // code:group/input=value ...
    const auto row = [](const char *name, quint32 model, const char *commands, const char *notes) {
        QTest::newRow(name) << model << QString(commands) << QString(notes);
    };
    row("signal lost raised and cleared, 4x1", 50001,
        "trigger-none, alarm 3 signal-lost on, alarm 3 signal-lost off", "1:0/2=1 1:0/2=0");
    row("signal lost on the dual model's group B", 50000, "trigger-none, alarm 4 signal-lost on",
        "1:1/3=1");
    row("each video kind", 50002,
        "trigger-none, alarm 2 format-error on, alarm 2 video-black on, alarm 2 video-frozen on",
        "2:0/1=1 4:0/1=1 5:0/1=1");
    row("sync failed is not detected by default", 50002, "alarm 2 sync-failed on", "");
    row("audio masks, enabled channels only", 50001,
        "audio-lost 1 0x0005, audio-silent 2 3, audio-lost 1 0", "6:0/0=1 7:0/1=3 6:0/0=0");
    row("failover and automatic return", 50001, "alarm 1 video-black on, alarm 1 video-black off",
        "4:0/0=1 14:0/1=1 4:0/0=0 14:0/0=0");
    row("dual failover names the input within its group", 50000, "alarm 3 signal-lost on",
        "1:1/2=1 14:1/3=1");
    row("system alarms", 50002, "system 15 on, system 16 on, system 15 off, genlock none",
        "15:0/0=1 16:0/0=1 15:0/0=0 8:0/0=1 10:0/0=6");
    row("GPI 3 forces input 3 on the 4x1", 50001, "gpi 0x04", "12:0/2=1 14:0/2=2");
    row("signal gone", 50002, "trigger-none, signal 4 none, signal 4 1080i50", "1:0/3=1 1:0/3=0");
}

// Each change of an alarm or switching event reaches the destination as one
// well-formed datagram.
void TestSim::notifications()
{
    QFETCH(quint32, model);
    QFETCH(QString, commands);
    QFETCH(QString, expected);
    TestSocket listener(kListener, kListenerPort);
    QVERIFY(listener.ok());
    DeviceSimulator device(OptionsFor(model));
    QVERIFY(device.Start());
    for (const QString &command : commands.split(", ")) {
        if (command == "trigger-none") {
            // Keep switching out of the way of the alarm under test.
            device.WithModel([](DeviceModel &m) {
                for (alarmTrigger &t : m.triggers) {
                    t.TriggerCombination = 2;
                }
            });
            continue;
        }
        QCOMPARE(device.Command(command), QStringLiteral("ok"));
    }
    const QList<Note> notes = Notes(listener, expected.isEmpty() ? 200 : 1000);
    QCOMPARE(Describe(notes), expected);
    for (const Note &n : notes) {
        QVERIFY(n.checksumOk && n.from == kDevice);
        QCOMPARE(n.size, 14);
        QCOMPARE(n.length, 12);
        QCOMPARE(n.version, 1);
    }
}

// Switching as the GPO levels show it: failover, return methods, manual
// selection, relay.
void TestSim::switching()
{
    DeviceSimulator device(OptionsFor(50001));
    QVERIFY(device.Start());
    Client c;
    QCOMPARE(c.Login("admin", "admin"), 0);
    std::unique_ptr<ResponseMsg> h;
    auto gpo = [&]() {
        auto r = c.Make<SimpleRequest<kMsgGetGPIOState>>();
        auto *state = c.Get<ResponseGetGPIOState>(r, h);
        return state ? int(state->gpoStatus) : -1;
    };
    QCOMPARE(gpo(), 0x01);
    device.Command("alarm 1 video-frozen on");
    QCOMPARE(gpo(), 0x02);
    device.Command("alarm 2 signal-lost on");
    QCOMPARE(gpo(), 0x04);
    device.Command("alarm 1 video-frozen off");
    QCOMPARE(gpo(), 0x01);  // automatic return to the primary
    device.Command("alarm 2 signal-lost off");

    auto latched = c.Make<RequestSetAutoSwitchMethod>();
    latched.method[0] = 2;
    QCOMPARE(c.Transact(latched), 0);
    device.Command("alarm 1 video-black on");
    device.Command("alarm 1 video-black off");
    QCOMPARE(gpo(), 0x02);  // stays until cleared
    QCOMPARE(c.Send<RequestManualReturn>(), 0);
    QCOMPARE(gpo(), 0x01);

    auto manual = c.Make<RequestSetPGMOutputSelect>();
    manual.input[0] = 3;
    QCOMPARE(c.Transact(manual), 0);
    QCOMPARE(gpo(), 0x08);
    auto relay = c.Make<RequestSetRelayControl>();
    relay.manualControl[0] = 1;
    QCOMPARE(c.Transact(relay), 0);
    QCOMPARE(gpo(), 0x18);

    // A disabled detection reports nothing and switches nothing.
    auto returning = c.Make<RequestSetAutoSwitchMethod>();
    returning.method[0] = 1;
    QCOMPARE(c.Transact(returning), 0);
    QCOMPARE(c.Send<RequestSetPGMOutputSelect>(), 0);
    QCOMPARE(gpo(), 0x11);  // back on the primary, relay still bypassed
    auto get = c.Make<RequestGetDetectionParam>();
    auto *d = c.Get<ResponseGetDetectionParam>(get, h);
    auto off = c.Make<RequestSetDetectionParam>();
    off.param = d->param;
    off.param.blackEnable = 0;
    QCOMPARE(c.Transact(off), 0);
    device.Command("alarm 1 video-black on");
    auto alarms = c.Make<SimpleRequest<kMsgGetAlarmInfo>>();
    QCOMPARE(c.Get<ResponseGetAlarmInfo>(alarms, h)->video[0], 0u);
    QCOMPARE(gpo(), 0x11);
}

void TestSim::faults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind");
    const auto row = [](const char *command, const char *kind) {
        QTest::newRow(command) << QString(command) << QString(kind);
    };
    for (const char *kind :
         {"drop", "duplicate", "corrupt", "truncate", "oversize", "wrong-port", "wrong-seq"}) {
        row(qPrintable(QStringLiteral("fault %1 100").arg(kind)), kind);
    }
    row("fault delay 150", "delay");
    row("fault reorder on", "reorder");
    row("fault stale on", "stale");
    row("fault reject 3 1", "reject");
    row("fault drop 50", "drop-half");
}

// Each fault, counted over a bounded number of requests. Requests are
// GetWorkMode with rising sequence numbers, sent raw so that nothing is hidden.
void TestSim::faults()
{
    QFETCH(QString, command);
    QFETCH(QString, kind);
    DeviceSimulator device(OptionsFor(50002));
    QVERIFY(device.Start());
    QCOMPARE(device.Command(command), QStringLiteral("ok"));
    RawLink link;
    const int count = kind == "drop-half" ? 200 : 10;
    QList<QPair<QByteArray, UdpSocket::Peer>> got;
    QElapsedTimer clock;
    clock.start();
    for (int seq = 1; seq <= count; ++seq) {
        link.Send(Framed(kMsgGetWorkMode, 0, quint16(seq), QByteArray()));
        got += link.Collect(kind == "drop-half" ? 2 : (kind == "delay" ? 200 : 30));
    }
    got += link.Collect(kind == "reorder" ? 400 : 50);

    auto valid = [](const QByteArray &d) {
        return d.size() >= 12 && d.size() <= 1040 &&
               ByteSum(reinterpret_cast<const quint8 *>(d.constData()), d.size()) == 0xFF;
    };
    QList<int> sequences;
    for (const auto &g : got) {
        sequences << SequenceOf(g.first);
    }
    if (kind == "drop") {
        QCOMPARE(got.size(), 0);
    } else if (kind == "drop-half") {
        QVERIFY2(got.size() > 70 && got.size() < 130, qPrintable(QString::number(got.size())));
    } else if (kind == "duplicate") {
        QCOMPARE(got.size(), 2 * count);
        QCOMPARE(got[0].first, got[1].first);
    } else if (kind == "corrupt") {
        QCOMPARE(got.size(), count);
        for (const auto &g : got) {
            QVERIFY(g.first.size() == 14 && !valid(g.first));
        }
    } else if (kind == "truncate") {
        QCOMPARE(got.size(), count);
        for (const auto &g : got) {
            QVERIFY(g.first.size() < 14 && !valid(g.first));
        }
    } else if (kind == "oversize") {
        QCOMPARE(got.size(), count);
        for (const auto &g : got) {
            QCOMPARE(g.first.size(), 1100);
            QCOMPARE(ReadU16(reinterpret_cast<const quint8 *>(g.first.constData())), quint16(1098));
        }
    } else if (kind == "wrong-port") {
        QCOMPARE(got.size(), count);
        for (const auto &g : got) {
            QVERIFY(valid(g.first) && g.second.port != kDevicePort);
        }
    } else if (kind == "wrong-seq") {
        QCOMPARE(got.size(), count);
        for (int i = 0; i < count; ++i) {
            QVERIFY(valid(got[i].first));
            QCOMPARE(sequences[i], i);  // one behind the request
        }
    } else if (kind == "delay") {
        QCOMPARE(got.size(), count);
        QVERIFY(clock.elapsed() >= 150 * count);
    } else if (kind == "reorder") {
        QCOMPARE(got.size(), count);
        QCOMPARE(sequences.mid(0, 4), (QList<int>{2, 1, 4, 3}));
    } else if (kind == "stale") {
        QCOMPARE(got.size(), 2 * count - 1);
        QCOMPARE(sequences.mid(0, 5), (QList<int>{1, 1, 2, 2, 3}));
    } else if (kind == "reject") {
        QCOMPARE(got.size(), count);
        QCOMPARE(ReadU32(reinterpret_cast<const quint8 *>(got[0].first.constData()) + 5), 1u);
    }
    QCOMPARE(device.Command("fault clear"), QStringLiteral("ok"));
    link.Send(Framed(kMsgGetWorkMode, 0, 999, QByteArray()));
    const auto after = link.Collect(100);
    QCOMPARE(after.size(), 1);
    QVERIFY(valid(after[0].first));
}

// The same seed gives the same faults, so a failing run can be repeated.
void TestSim::faultsAreSeeded()
{
    // Which of 40 requests were answered; the answers are gathered after all
    // were sent, so that a slow machine cannot shift one into the next slot.
    auto pattern = [](quint32 seed) {
        DeviceSimulator::Options options = OptionsFor(50002);
        options.seed = seed;
        DeviceSimulator device(options);
        device.Start();
        device.Command("fault drop 50");
        RawLink link;
        for (int seq = 1; seq <= 40; ++seq) {
            link.Send(Framed(kMsgGetWorkMode, 0, quint16(seq), QByteArray()));
        }
        QString answered(40, QLatin1Char('.'));
        for (const auto &got : link.Collect(300)) {
            answered[SequenceOf(got.first) - 1] = QLatin1Char('x');
        }
        return answered;
    };
    const QString first = pattern(11);
    QCOMPARE(pattern(11), first);
    QVERIFY(pattern(12) != first);
}

// Commands that other tests give with their "ok" checked (a signal by name,
// a genlock by its genlock name, a firmware version) are not repeated here.
void TestSim::consoleErrors_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("ok");
    QTest::newRow("alarm input 5") << "alarm 5 signal-lost on" << false;
    QTest::newRow("alarm unknown kind") << "alarm 1 smoke on" << false;
    QTest::newRow("alarm maybe") << "alarm 1 video-black maybe" << false;
    QTest::newRow("audio mask too wide") << "audio-lost 1 0x10000" << false;
    QTest::newRow("audio mask hex") << "audio-silent 4 0xFFFF" << true;
    QTest::newRow("system bit 17") << "system 17 on" << false;
    QTest::newRow("signal by code") << "signal 1 65" << true;
    QTest::newRow("signal unknown name") << "signal 1 4k" << false;
    QTest::newRow("levels channel 17") << "levels in 17 10" << false;
    QTest::newRow("fault percent 101") << "fault drop 101" << false;
    QTest::newRow("fault unknown") << "fault smoke 10" << false;
    QTest::newRow("model 50003") << "model 50003" << false;
    QTest::newRow("firmware 1.2") << "firmware 1.2" << false;
    QTest::newRow("offline negative") << "offline -1" << false;
    QTest::newRow("empty line") << "   " << false;
}

void TestSim::consoleErrors()
{
    QFETCH(QString, command);
    QFETCH(bool, ok);
    DeviceSimulator device(OptionsFor(50002));
    const QString reply = device.Command(command);
    QVERIFY2(reply.startsWith(ok ? "ok" : "error: "), qPrintable(reply));
}

void TestSim::fleet_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");  // how it begins
    QTest::addColumn<QString>("notes");   // each device's, by "|"
    const auto row = [](const char *name, const char *command, const char *answer, QString notes) {
        QTest::newRow(name) << QString(command) << QString(answer) << notes;
    };
    row("@2: device 2 only", "@2 alarm 4 signal-lost on", "ok", "||1:0/3=1");
    row("no @: device 0", "alarm 4 signal-lost on", "ok", "1:0/3=1||");
    row("@*: each device", "@* system 15 on", "ok\nok\nok", "15:0/0=1|15:0/0=1|15:0/0=1");
    row("@3: none", "@3 system 15 on", "error: no device @3", "||");
    const QString storm = "16:0/0=1 16:0/0=0 16:0/0=1";
    row("storm: round-robin, rise and clear", "storm 300 0.03", "ok sent 9 in ",
        storm + '|' + storm + '|' + storm);
}

// Three devices on three addresses: each its own serial, state and
// notifications, and what each sends agrees with what it reports when polled.
void TestSim::fleet()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, notes);
    TestSocket listener(kListener, kListenerPort);
    DeviceSimulator::Options options = OptionsFor(50001);
    options.address = kFleetText;
    DeviceFleet fleet(options, 3);
    QVERIFY(listener.ok() && fleet.Start());
    QVERIFY(fleet.Command(command).startsWith(answer));
    const QList<Note> got = Notes(listener, notes == "||" ? 200 : 1000);
    QStringList seen;
    for (quint32 k = 0; k < 3; ++k) {
        QList<Note> own;
        AlarmType video[kInputCount] = {}, system = 0;
        for (const Note &n : got) {
            if (n.from != kFleet + k) {
                continue;
            }
            own << n;
            // Codes 1-5 are video bits 0-4; 15 and 16 (power supplies) system bits 15 and 16.
            AlarmType &bits = n.code <= 5 ? video[n.input] : system;
            const quint32 bit = 1u << (n.code <= 5 ? n.code - 1 : n.code);
            bits = n.value ? bits | bit : bits & ~bit;
        }
        seen << Describe(own);
        Client c(LoopbackText(kFleet + k));
        QCOMPARE(c.Login("admin", "admin"), 0);
        std::unique_ptr<ResponseMsg> h;
        auto product = c.Make<SimpleRequest<kMsgGetProductInfo>>();
        QCOMPARE(SerialNumberText(c.Get<ResponseGetProductInfo>(product, h)->serial.data()),
                 QStringLiteral("QV000%1-00000042").arg(12345 + k));
        auto alarms = c.Make<SimpleRequest<kMsgGetAlarmInfo>>();
        const auto *now = c.Get<ResponseGetAlarmInfo>(alarms, h);
        QVERIFY(now && std::equal(video, video + kInputCount, now->video) && now->system == system);
    }
    QCOMPARE(seen.join('|'), notes);
}

void TestSim::process_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QByteArray>("console");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");  // how its lines begin: standard error if status 2
    const QString one = LoopbackText(kProcess);
    QTest::newRow("one device")
        << QStringLiteral(
               "--address %1 --model 50000 --firmware 1.2.3 --seed 5 --notify %2:%3,"
               "0.0.0.0:0")
               .arg(one, LoopbackText(kListener))
               .arg(FreeUdpPort())
        << QByteArray("firmware 9.9.9\nstatus\nnonsense\nquit\n") << 0
        << "ready " + one + ":33903 model 50000\nok\nok model 50000 firmware 9.9.9\nerror:\nok bye";
    QTest::newRow("help") << "--address " + one + " --help" << QByteArray() << 0
                          << "usage: qvt-devsim [--address A]";
    QTest::newRow("bad option") << "--model 42" << QByteArray() << 2
                                << "qvt-devsim: bad value for --model: 42\nusage: qvt-devsim";
    QTest::newRow("three devices")
        << "--address " + kFleetText + " --fleet 3 --notify 0.0.0.0:0"
        << QByteArray("@1 firmware 2.0.0\n@* status\n@3 status\nquit\n") << 0
        << QStringLiteral(
               "ready 3 devices %1-%2:33903 model 50002\nok\nok model 50002 firmware "
               "1.1.65\nok model 50002 firmware 2.0.0\nok model 50002 firmware 1.1.65\n"
               "error: no device @3\nok bye")
               .arg(kFleetText, LoopbackText(kFleet + 2));
    QTest::newRow("past 127.255.255.254")
        << "--address 127.255.255.254 --fleet 2" << QByteArray() << 2
        << "qvt-devsim: --fleet: 2 devices from 127.255.255.254 do not fit";
    QTest::newRow("1025 devices") << "--fleet 1025" << QByteArray() << 2
                                  << "qvt-devsim: bad value for --fleet: 1025";
}

// The program itself: its ready line, its console with a fleet's @
// addressing, its help, and the options and ranges it refuses (status 2);
// nothing on the other stream.
void TestSim::process()
{
    QFETCH(QString, args);
    QFETCH(QByteArray, console);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess sim;
    sim.start(QStringLiteral(QVT_DEVSIM_PATH), args.split(' '));
    sim.write(console);
    sim.closeWriteChannel();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), status);
    const QByteArray out = sim.readAllStandardOutput(), err = sim.readAllStandardError();
    QCOMPARE(status ? out : err, QByteArray());
    const QList<QByteArray> got = (status ? err : out).split('\n');
    const QStringList lines = output.split('\n');
    if (!console.isEmpty()) {
        QCOMPARE(got.size(), lines.size() + 1);  // and the last line's end
    }
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY2(got.value(i).startsWith(lines[i].toUtf8()), got.value(i).constData());
    }
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
