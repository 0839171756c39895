#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What QVT-MONITOR-MIB (deploy/snmp) serves, as plain values: the service
// fills them from the same snapshots as its metrics.
struct SnmpAlarm {
    QString input;    // "Input 2", "A-Input 1"; empty for a system alarm
    QString name;     // "Video Black", "Audio Lost", "PS1 Fail"
    int channel = 0;  // 1-16 for an audio alarm, else 0
    bool operator==(const SnmpAlarm &o) const
    {
        return channel == o.channel && input == o.input && name == o.name;
    }
};

struct SnmpDevice {
    QString name;
    quint32 address = 0;  // IPv4, host order
    QString model;
    QString serial;
    QString firmware;
    bool up = false;
    bool routeOk = false;
    quint64 events = 0;
    qint64 lastPollSuccess = 0;  // Unix seconds; 0: never
    QVector<SnmpAlarm> active;   // empty while down
};

// A notification, from the difference between two refreshes.
struct SnmpEvent {
    enum Kind { Raised, Cleared, Down, Up } kind = Raised;
    QString device;
    unsigned long deviceIndex = 0;
    quint32 address = 0;
    SnmpAlarm alarm;  // Raised and Cleared, with its row's number
    unsigned long alarmIndex = 0;
    QDateTime time;
};

// qvt-monitord as an AgentX subagent of the host's snmpd, with net-snmp's
// agent library: the MIB's two tables, refreshed from `devices` four times
// a second and at each change, and its notifications, made from the
// differences between two refreshes (so that they and the tables always
// agree) and sent through the master agent so that
// the station's trap destinations decide where they go. net-snmp is not
// thread-safe: every call to it is made on the agent's own thread, which
// the device watches never wait for. When the master agent goes away the
// subagent connects again (every 2 s) and sends the notifications that
// waited meanwhile, each with its own time.
class SnmpAgent
{
public:
    // Called on the agent's thread: every device, in the configuration's order.
    using Devices = std::function<QVector<SnmpDevice>()>;
    using Say = std::function<void(const QString &line, bool warning)>;

    SnmpAgent(const QString &socket, Devices devices, Say say);
    ~SnmpAgent();
    SnmpAgent(const SnmpAgent &) = delete;
    SnmpAgent &operator=(const SnmpAgent &) = delete;

    // Starts the agent's thread; false when it cannot (the library refuses).
    bool Start(QString *error);
    void Stop();
    // From any thread: a device's snapshot changed, so the tables are
    // refreshed at once and what changed is notified. Notifications are
    // held while the master agent is away (at most kMaxWaiting, the oldest
    // dropped and counted).
    void Changed() { Wake(); }

    bool Connected() const { return m_connected.load(); }
    quint64 Dropped() const { return m_dropped.load(); }
    const QString &Socket() const { return m_socket; }

    static constexpr int kMaxWaiting = 10000;

private:
    struct Tables;
    void Run();
    void Wake();
    void Refresh();
    void SendWaiting();
    void SetConnected(bool connected);
    // net-snmp's callbacks for the master agent's connection.
    static int OnConnect(int major, int minor, void *server, void *agent);
    static int OnDisconnect(int major, int minor, void *server, void *agent);

    const QString m_socket;
    const Devices m_devices;
    const Say m_say;
    std::unique_ptr<Tables> m_tables;  // the agent thread's
    std::thread m_thread;
    int m_wake = -1;  // eventfd the agent's select watches
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_connected{false};
    std::atomic<quint64> m_dropped{0};
    bool m_saidAway = false;
    std::mutex m_lock;                // guards m_waiting
    std::deque<SnmpEvent> m_waiting;  // made and sent on the agent's thread
};
