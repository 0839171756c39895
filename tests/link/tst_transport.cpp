#include "../common/FreeLoopback.h"
#include "../common/Golden.h"
#include "../common/JoiningThread.h"
#include "../common/TestSocket.h"
#include "IdentityMessages.h"
#include "UdpTransport.h"

#include <QElapsedTimer>
#include <QtTest>

#include <dlfcn.h>
#include <sys/socket.h>

#include <chrono>

#include <thread>
#include <vector>

namespace {
// Set on the thread whose datagram receives are slowed down.
thread_local bool t_slowReceives = false;
}  // namespace

// Every receive of the test program comes here first. Slowed by 50 µs, it
// makes the tool slower than a flood that hits it, as a tool on a real
// network can be; on loopback no flood outruns it otherwise.
extern "C" ssize_t recvfrom(int fd, void *__restrict buffer, size_t size, int flags,
                            sockaddr *__restrict from, socklen_t *__restrict fromSize)
{
    using Receive = ssize_t (*)(int, void *, size_t, int, sockaddr *, socklen_t *);
    static const auto next = reinterpret_cast<Receive>(dlsym(RTLD_NEXT, "recvfrom"));
    if (t_slowReceives) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (std::chrono::steady_clock::now() < until) {
        }
    }
    return next(fd, buffer, size, flags, from, fromSize);
}

namespace {
// This test's own loopback addresses, picked at run time.
constexpr quint16 kPort = kDevicePort;
const quint32 kDeviceAddress = TestLoopback({kPort, kPort + 1});
const quint32 kStrangerAddress = TestLoopback({kPort});

// A device stand-in, on the device's address and port unless told otherwise.
struct Peer : TestSocket {
    explicit Peer(quint32 address = kDeviceAddress, quint16 port = kPort)
        : TestSocket(address, port)
    {}
};

// Answers a GetWorkMode request with the given work-mode byte.
QByteArray WorkModeAnswer(const QByteArray &request, quint8 mode, quint32 result = 0)
{
    return Framed(TypeOf(request), result, SequenceOf(request), QByteArray(1, char(mode)) + '\x01');
}

// A request that waits less than the product's 2 s, for the failure cases.
class QuickRequest final : public NoDataRequest
{
public:
    QuickRequest(quint16 seq) : NoDataRequest(kMsgGetWorkMode, 0, seq) {}
    int ReceiveTimeout() const override { return 300; }
};

// A GetWorkMode with sequence `seq` through `transport`: its result code.
int Ask(UdpTransport &transport, quint16 seq, std::unique_ptr<ResponseMsg> &response,
        int retries = 0)
{
    SimpleRequest<kMsgGetWorkMode> request(0, seq);
    return transport.Exchange(request, response, retries);
}

int WorkMode(const std::unique_ptr<ResponseMsg> &response)
{
    auto *mode = dynamic_cast<ResponseGetWorkMode *>(response.get());
    return mode ? mode->workMode : -1;
}
}  // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oneRequest_data();
    void oneRequest();
    void strayDatagramsOnlyTimeOut();
    void sequenceMismatchRenewsPort();
    void queuedDatagramsDiscarded();
    void floodDoesNotHoldTheRequest();
    void noAnswerSendsTwice();
    void refusedRequestSendsNothing();
    void malformedAddress();

private:
    UdpTransport m_transport;
};

void TestTransport::init()
{
    m_transport.Close();
    QCOMPARE(m_transport.Open(LoopbackText(kDeviceAddress), kPort), 0);
}

void TestTransport::oneRequest_data()
{
    QTest::addColumn<QString>("sent");  // what reaches the tool, in order
    QTest::addColumn<int>("rc");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<int>("workMode");  // of the answer delivered, -1 for none
    const auto row = [](const char *name, const char *sent, int rc, quint32 result, int mode) {
        QTest::newRow(name) << QString(sent) << rc << result << mode;
    };
    row("success decodes the payload", "answer", 0, 0, 7);
    row("failure result carries only the code", "failed", 0, 13, -1);
    // Stray datagrams are passed over: the device's own answer is delivered.
    row("from another address", "address answer", 0, 0, 7);
    row("from the device address, another port", "port answer", 0, 0, 7);
    row("late answer to an earlier request", "stale answer", 0, 0, 7);
    row("several of them", "address port stale answer", 0, 0, 7);
    // A damaged answer fails the request at once.
    row("truncated", "truncated", -1, 0, -1);
    row("one byte flipped", "corrupt", -1, 0, -1);
    row("oversized", "oversized", -1, 0, -1);
    row("empty datagram", "empty", -1, 0, -1);
    row("wrong version", "version", -1, 0, -1);
}

// Whatever else arrives on the local port first, the device's own answer is
// the one delivered, and a damaged one fails the request; neither waits out
// the time-out.
void TestTransport::oneRequest()
{
    QFETCH(QString, sent);
    QFETCH(int, rc);
    QFETCH(quint32, result);
    QFETCH(int, workMode);
    Peer device;
    Peer stranger(kStrangerAddress, kPort);
    Peer sidePort(kDeviceAddress, kPort + 1);
    QVERIFY(device.ok() && stranger.ok() && sidePort.ok());
    JoiningThread peer([&] {
        UdpSocket::Peer client;
        const QByteArray request = device.Receive(&client);
        for (const QString &kind : sent.split(' ')) {
            QByteArray d = WorkModeAnswer(request, 7);
            Peer *from = &device;
            if (kind == "address" || kind == "port") {
                from = kind == "address" ? &stranger : &sidePort;
                d = WorkModeAnswer(request, 9);
            } else if (kind == "stale") {
                d = Framed(kMsgGetVersion, 0, SequenceOf(request) - 1,
                           Hex("000000010000000200000003"));
            } else if (kind == "failed") {
                d = WorkModeAnswer(request, 7, 13);
            } else if (kind == "truncated") {
                d.chop(1);
            } else if (kind == "corrupt") {
                d[11] = char(d[11] ^ 0x20);
            } else if (kind == "oversized") {
                d = Framed(TypeOf(request), 0, SequenceOf(request), QByteArray(1100, '\0'));
            } else if (kind == "empty") {
                d.clear();
            } else if (kind == "version") {
                d[2] = 2;
                d[d.size() - 1] = char(d.back() - 1);
            } else if (kind == "answer") {
                QThread::msleep(50);  // the strays are in the queue first
            }
            from->Send(client, d);
        }
    });
    std::unique_ptr<ResponseMsg> response;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Ask(m_transport, 100, response, 1), rc);
    peer.join();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    if (rc == 0) {
        QCOMPARE(response->result, result);
        QCOMPARE(WorkMode(response), workMode);
    }
}

// Stray datagrams do not extend the wait: with nothing but them, the request
// fails after its own time-out.
void TestTransport::strayDatagramsOnlyTimeOut()
{
    Peer device;
    Peer stranger(kStrangerAddress, kPort);
    std::atomic<bool> done{false};
    JoiningThread peer(
        [&] {
            UdpSocket::Peer client;
            const QByteArray request = device.Receive(&client);
            while (!done) {
                stranger.Send(client, WorkModeAnswer(request, 9));
                device.Send(client, Framed(kMsgGetVersion, 0, 999, QByteArray()));
                QThread::msleep(20);
            }
        },
        [&done] { done = true; });
    QuickRequest request(5);
    std::unique_ptr<ResponseMsg> response;
    QElapsedTimer clock;
    clock.start();
    const int rc = m_transport.Exchange(request, response, 0);
    const qint64 elapsed = clock.elapsed();
    done = true;
    peer.join();
    QCOMPARE(rc, -1);
    QVERIFY2(elapsed >= 290 && elapsed < 800, qPrintable(QString::number(elapsed)));
}

// An answer of the right type but with another sequence is delivered, and the
// transport moves to a new local port so that older answers can never reach
// it. The receive time-out is set on each new socket, and only then.
void TestTransport::sequenceMismatchRenewsPort()
{
    Peer device;
    std::vector<quint16> ports;
    JoiningThread peer([&] {
        for (int i = 0; i < 4; ++i) {
            UdpSocket::Peer client;
            const QByteArray request = device.Receive(&client);
            ports.push_back(client.port);
            const quint16 seq = i == 1 ? SequenceOf(request) + 5 : SequenceOf(request);
            device.Send(client, Framed(TypeOf(request), 0, seq, Hex("0201")));
        }
    });
    std::unique_ptr<ResponseMsg> response;
    QCOMPARE(Ask(m_transport, 10, response, 1), 0);
    QCOMPARE(Ask(m_transport, 11, response, 1), 0);
    QCOMPARE(response->sequence, quint16(16));
    QCOMPARE(WorkMode(response), 2);
    QCOMPARE(Ask(m_transport, 12, response, 1), 0);
    QCOMPARE(Ask(m_transport, 13, response, 1), 0);
    peer.join();
    QCOMPARE(ports.size(), size_t(4));
    QCOMPARE(ports[0], ports[1]);
    QVERIFY(ports[2] != ports[1]);
    QCOMPARE(ports[3], ports[2]);
}

// A duplicate or late answer already queued before a request is sent is
// thrown away, even when its type matches: it cannot answer the new request.
void TestTransport::queuedDatagramsDiscarded()
{
    Peer device;
    UdpSocket::Peer client;
    JoiningThread first([&] {
        const QByteArray request = device.Receive(&client);
        device.Send(client, WorkModeAnswer(request, 1));
        device.Send(client, WorkModeAnswer(request, 1));  // a duplicate
    });
    std::unique_ptr<ResponseMsg> response;
    QCOMPARE(Ask(m_transport, 20, response), 0);
    first.join();
    const quint16 port = m_transport.LocalPort();
    QThread::msleep(20);  // the duplicate is queued now

    JoiningThread second([&] {
        const QByteArray request = device.Receive(&client);
        device.Send(client, WorkModeAnswer(request, 6));
    });
    QCOMPARE(Ask(m_transport, 21, response), 0);
    second.join();
    QCOMPARE(response->sequence, quint16(21));
    QCOMPARE(WorkMode(response), 6);
    QCOMPARE(m_transport.LocalPort(), port);  // no renewal was needed
}

// Junk arriving faster than the tool can throw it away never lets the queue
// empty. The request still goes out (the client's lock is not held for
// ever), and its answer is found among the junk.
void TestTransport::floodDoesNotHoldTheRequest()
{
    Peer device;
    Peer stranger(kStrangerAddress, 0);
    JoiningThread first([&] {
        UdpSocket::Peer client;
        device.Send(client, WorkModeAnswer(device.Receive(&client), 1));
    });
    std::unique_ptr<ResponseMsg> response;
    QCOMPARE(Ask(m_transport, 30, response), 0);  // the socket has its port now
    first.join();
    const UdpSocket::Peer tool = {kDeviceAddress, m_transport.LocalPort()};

    std::atomic<bool> done{false};
    auto finish = [&done] { done = true; };
    QElapsedTimer clock;
    clock.start();
    JoiningThread flood(
        [&] {
            while (!done && clock.elapsed() < 3000) {
                stranger.Send(tool, QByteArray(16, 'x'));
            }
        },
        finish);
    JoiningThread answering(
        [&] {
            UdpSocket::Peer client;
            const QByteArray request = device.Receive(&client);
            // Again and again: a copy that finds the queue full is lost.
            while (!done && !request.isEmpty()) {
                device.Send(client, WorkModeAnswer(request, 5));
                QThread::usleep(200);
            }
        },
        finish);
    QThread::msleep(20);  // the queue is full by now; nothing signals it
    const qint64 start = clock.elapsed();
    t_slowReceives = true;
    const int rc = Ask(m_transport, 31, response);
    t_slowReceives = false;
    const qint64 took = clock.elapsed() - start;
    flood.join();
    answering.join();
    QCOMPARE(rc, 0);
    QCOMPARE(WorkMode(response), 5);
    QVERIFY2(took < 1000, qPrintable(QString::number(took)));
}

// The real timing, once: two sends 2 s apart and the failure after about 4 s.
void TestTransport::noAnswerSendsTwice()
{
    Peer device;
    std::vector<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    JoiningThread peer([&] {
        UdpSocket::Peer client;
        while (!device.Receive(&client, 5000).isEmpty()) {
            arrivals.push_back(clock.elapsed());
        }
    });
    std::unique_ptr<ResponseMsg> response;
    const int rc = Ask(m_transport, 1, response, 1);
    const qint64 total = clock.elapsed();
    peer.join();
    QCOMPARE(rc, -1);
    QCOMPARE(arrivals.size(), size_t(2));
    const qint64 gap = arrivals[1] - arrivals[0];
    QVERIFY2(gap >= 2000 && gap < 2300, qPrintable(QString::number(gap)));
    QVERIFY2(total >= 4000 && total < 4600, qPrintable(QString::number(total)));
}

void TestTransport::refusedRequestSendsNothing()
{
    Peer device;
    RequestAuthentication request(0, 1);
    request.user = "admin";
    request.password = QByteArray(256, 'x');
    std::unique_ptr<ResponseMsg> response;
    QCOMPARE(m_transport.Exchange(request, response, 1), -1);
    UdpSocket::Peer client;
    QVERIFY(device.Receive(&client, 200).isEmpty());
}

void TestTransport::malformedAddress()
{
    UdpTransport transport;
    QCOMPARE(transport.Open(QStringLiteral("127.0.0.300"), kPort), 0);
    std::unique_ptr<ResponseMsg> response;
    QCOMPARE(Ask(transport, 1, response), -1);
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
