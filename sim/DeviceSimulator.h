#pragma once

#include "DeviceModel.h"
#include "DeviceResponder.h"
#include "UdpSocket.h"

#include <QElapsedTimer>
#include <QString>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

// The simulated device on the network: serves the protocol on its own UDP
// socket and thread, sends notifications, misbehaves on request (faults), and
// takes console commands. It runs as the qvt-devsim process or inside a test.
class DeviceSimulator final
{
public:
    struct Options {
        QString address = QStringLiteral("127.0.0.1");
        quint16 port = 33903;
        quint32 model = 50002;
        QByteArray adminPassword = "admin";
        QByteArray guestPassword = "guest";
        quint32 firmware = 0x01010041;  // 1.1.65
        UdpSocket::Peer notify[2] = {{0x7F000001, 40000}, {0, 0}};
        bool demo = false;
        quint32 seed = 1;
        quint32 serial = 12345;  // QV00012345-00000042
    };

    explicit DeviceSimulator(const Options &options);
    ~DeviceSimulator();

    // Binds the device port and starts serving. False when the port is taken
    // or the address is not one of this machine's.
    bool Start();
    void Stop();

    // One console command, answered with one line starting "ok" or "error:".
    QString Command(const QString &line);
    QString ReadyLine() const;
    // Flips the forced power supply 2 failure, as `system 16 on|off` does;
    // returns the notification datagrams that sent (0 while that alarm is
    // disabled, 2 a change with two destinations).
    int TogglePowerAlarm();

    // Datagrams received on the device port, and datagrams sent in answer.
    quint64 RequestsReceived() const { return m_received; }
    quint64 AnswersSent() const { return m_answered; }
    // Datagrams of one type code received (answered or not), and the last of
    // them as it arrived: what the tool really put on the wire.
    quint64 RequestsOfType(quint16 type) const;
    QByteArray LastRequest(quint16 type) const;

    // Runs `f` on the device state under the simulator's lock.
    template <class F>
    auto WithModel(F &&f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(m_model);
    }

private:
    Q_DISABLE_COPY(DeviceSimulator)

    struct Faults {
        int drop = 0;  // percentages
        int duplicate = 0;
        int corrupt = 0;
        int truncate = 0;
        int oversize = 0;
        int wrongPort = 0;
        int wrongSeq = 0;
        int delayMs = 0;
        bool reorder = false;
        bool stale = false;
        std::set<quint16> dropSuccess;  // type codes whose successful answers are lost
    };
    struct Pending {
        qint64 due;
        UdpSocket::Peer to;
        QByteArray bytes;
        bool sidePort;
    };

    void Run();
    void Serve(const quint8 *data, int size, const UdpSocket::Peer &from);
    void Deliver(const UdpSocket::Peer &to, QByteArray answer);
    void Send(const UdpSocket::Peer &to, const QByteArray &bytes, bool sidePort);
    void FlushDue();
    bool Roll(int percent);
    int Notify(const std::vector<SimNotification> &notes);  // datagrams sent
    void DemoStep();
    QString Apply(const QStringList &words);
    QString StatusLine() const;
    void StartFlood(int count, int rate);
    void StopFlood();

    Options m_options;
    quint32 m_address = 0;
    mutable std::mutex m_mutex;  // guards everything below but the counters and the flag
    DeviceModel m_model;
    std::mt19937 m_random;
    DeviceResponder m_responder;
    Faults m_faults;
    UdpSocket m_socket;
    UdpSocket m_sidePort;  // answers "from another port"
    std::deque<Pending> m_pending;
    QByteArray m_previousAnswer;
    std::map<quint16, quint64> m_typeCounts;
    std::map<quint16, QByteArray> m_lastOfType;
    bool m_holding = false;
    qint64 m_offlineUntil = 0;
    qint64 m_nextDemoStep = 0;
    int m_demoPhase = 0;
    QElapsedTimer m_clock;
    std::thread m_thread;
    WakeSignal m_wake;    // ends the serving thread's wait at Stop
    std::thread m_flood;  // sends a paced burst of notifications
    std::atomic<bool> m_floodStop{false};
    std::atomic<bool> m_running{false};
    std::atomic<quint64> m_received{0};
    std::atomic<quint64> m_answered{0};
};

// Text forms the console reads and writes.
bool ParseVideoStandard(const QString &text, VideoStandard *code);
bool ParseMask(const QString &text, quint32 *mask);
bool ParseFirmware(const QString &text, quint32 *firmware);
bool ParseDestination(const QString &text, UdpSocket::Peer *peer);
