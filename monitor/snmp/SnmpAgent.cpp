#include "SnmpAgent.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>
#include <set>

#include <csignal>

#include <sys/eventfd.h>
#include <unistd.h>

// After Qt's: net-snmp's headers define macros of common names. In this
// order, which the library requires.
// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
#include <net-snmp/agent/agent_callbacks.h>
#include <net-snmp/library/large_fd_set.h>
// clang-format on

namespace {
// QVT-MONITOR-MIB's place (deploy/snmp/QVT-MONITOR-MIB.txt).
constexpr oid kBase[] = {1, 3, 6, 1, 4, 1, 32473, 1};
constexpr size_t kBaseLength = sizeof(kBase) / sizeof(oid);
constexpr oid kSnmpTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
constexpr int kRefreshMs = 250;
constexpr int kPingSeconds = 2;
constexpr int kBurst = 16;  // notifications sent between two reads

enum DeviceColumn : unsigned {
    kName = 2,
    kAddress,
    kModel,
    kSerial,
    kFirmware,
    kOnline,
    kRouteOk,
    kAlarmEvents,
    kLastPollSuccess
};
enum AlarmColumn : unsigned { kInput = 2, kAlarmName, kChannel, kRaised };

std::vector<oid> Oid(std::initializer_list<oid> tail)
{
    std::vector<oid> o(kBase, kBase + kBaseLength);
    o.insert(o.end(), tail);
    return o;
}

// DateAndTime in UTC: year, month, day, hour, minutes, seconds, deciseconds, '+', 0, 0.
QByteArray DateAndTime(const QDateTime &at)
{
    const QDateTime utc = at.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    QByteArray v(11, '\0');
    v[0] = char(d.year() >> 8);
    v[1] = char(d.year() & 0xFF);
    v[2] = char(d.month());
    v[3] = char(d.day());
    v[4] = char(t.hour());
    v[5] = char(t.minute());
    v[6] = char(t.second());
    v[7] = char(t.msec() / 100);
    v[8] = '+';
    return v;
}

void SetText(netsnmp_table_row *row, unsigned column, const QString &text)
{
    const QByteArray bytes = text.toUtf8().left(255);
    netsnmp_set_row_column(row, column, ASN_OCTET_STR, bytes.constData(), size_t(bytes.size()));
}

void SetNumber(netsnmp_table_row *row, unsigned column, u_char type, u_long value)
{
    netsnmp_set_row_column(row, column, type, &value, sizeof(value));
}

void SetTruth(netsnmp_table_row *row, unsigned column, bool value)
{
    const long truth = value ? 1 : 2;
    netsnmp_set_row_column(row, column, ASN_INTEGER, &truth, sizeof(truth));
}

netsnmp_table_row *NewRow(std::initializer_list<u_long> indexes)
{
    netsnmp_table_row *row = netsnmp_create_table_data_row();
    for (u_long index : indexes) {
        netsnmp_table_row_add_index(row, ASN_UNSIGNED, &index, sizeof(index));
    }
    return row;
}

netsnmp_table_data_set *Register(const char *name, const std::vector<oid> &at, int indexes,
                                 std::initializer_list<std::pair<unsigned, u_char>> columns)
{
    netsnmp_table_data_set *table = netsnmp_create_table_data_set(name);
    for (int i = 0; i < indexes; ++i) {
        netsnmp_table_dataset_add_index(table, ASN_UNSIGNED);
    }
    for (const auto &column : columns) {
        netsnmp_table_set_add_default_row(table, column.first, column.second, 0, nullptr, 0);
    }
    netsnmp_handler_registration *registration =
        netsnmp_create_handler_registration(name, nullptr, at.data(), at.size(), HANDLER_CAN_RONLY);
    netsnmp_register_table_data_set(registration, table, nullptr);
    return table;
}

void AddText(netsnmp_variable_list **vars, const std::vector<oid> &at, const QByteArray &text)
{
    snmp_varlist_add_variable(vars, at.data(), at.size(), ASN_OCTET_STR,
                              reinterpret_cast<const u_char *>(text.constData()),
                              size_t(text.size()));
}
}  // namespace

// The agent thread's view of the tables: the rows it registered and the
// numbers it gave, so that a refresh changes only what changed.
struct SnmpAgent::Tables {
    netsnmp_table_data_set *devices = nullptr;
    netsnmp_table_data_set *alarms = nullptr;
    u_long nextDevice = 1;
    struct Alarm {
        SnmpAlarm what;
        u_long index = 0;
        QDateTime raised;
        netsnmp_table_row *row = nullptr;  // null while the switch is lost
    };
    struct Device {
        u_long index = 0;
        netsnmp_table_row *row = nullptr;
        bool seen = false;  // refreshed once: its changes are notified from now on
        bool up = false;
        quint64 events = 0;
        u_long nextAlarm = 0;
        QVector<Alarm> alarms;  // as last seen while it answered
    };
    QHash<QString, Device> devices_;  // by name, kept while the service runs
};

SnmpAgent::SnmpAgent(const QString &socket, Devices devices, Say say)
    : m_socket(socket), m_devices(std::move(devices)), m_say(std::move(say))
{}

SnmpAgent::~SnmpAgent()
{
    Stop();
}

bool SnmpAgent::Start(QString *error)
{
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        *error =
            QStringLiteral("SNMP: no eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // net-snmp writes to the AgentX socket without MSG_NOSIGNAL: a master
    // agent that dies mid-write must not end the service.
    std::signal(SIGPIPE, SIG_IGN);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void SnmpAgent::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        Wake();
        m_thread.join();
    }
    if (m_wake >= 0) {
        close(m_wake);
        m_wake = -1;
    }
}

void SnmpAgent::Wake()
{
    const quint64 one = 1;
    if (write(m_wake, &one, sizeof(one)) < 0) {
        // Already signalled past the counter's limit: it wakes all the same.
    }
}

void SnmpAgent::SetConnected(bool connected)
{
    if (m_connected.exchange(connected) == connected) {
        return;
    }
    if (connected) {
        m_say(QStringLiteral("SNMP: connected to the master agent at %1").arg(m_socket), false);
        m_saidAway = false;
    } else if (!m_saidAway) {
        m_say(QStringLiteral("SNMP: the master agent at %1 is away; notifications wait until it "
                             "is back (tried every %2 s)")
                  .arg(m_socket)
                  .arg(kPingSeconds),
              true);
        m_saidAway = true;
    }
}

void SnmpAgent::Run()
{
    const QByteArray socket = m_socket.toLocal8Bit();
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 1);
    netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_X_SOCKET, socket.constData());
    // Nothing of the host's snmp configuration or state is read or written:
    // the subagent needs only the socket.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    // The library's own lines (the host's MIB files it cannot parse, each
    // reconnection try) go nowhere; the agent says each episode once.
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
    snmp_disable_log();
    snmp_enable_calllog();
    snmp_register_callback(
        SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING,
        [](int, int, void *, void *) -> int { return 0; }, nullptr);
    init_agent("qvt-monitord");
    // Set after init_agent, which sets the default.
    netsnmp_ds_set_int(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_AGENTX_PING_INTERVAL,
                       kPingSeconds);
    m_tables = std::make_unique<Tables>();
    m_tables->devices = Register("qvtDeviceTable", Oid({1, 1}), 1,
                                 {{kName, ASN_OCTET_STR},
                                  {kAddress, ASN_IPADDRESS},
                                  {kModel, ASN_OCTET_STR},
                                  {kSerial, ASN_OCTET_STR},
                                  {kFirmware, ASN_OCTET_STR},
                                  {kOnline, ASN_INTEGER},
                                  {kRouteOk, ASN_INTEGER},
                                  {kAlarmEvents, ASN_COUNTER},
                                  {kLastPollSuccess, ASN_UNSIGNED}});
    m_tables->alarms = Register("qvtActiveAlarmTable", Oid({1, 2}), 2,
                                {{kInput, ASN_OCTET_STR},
                                 {kAlarmName, ASN_OCTET_STR},
                                 {kChannel, ASN_UNSIGNED},
                                 {kRaised, ASN_OCTET_STR}});
    snmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_START, OnConnect, this);
    snmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_STOP, OnDisconnect,
                           this);
    init_snmp("qvt-monitord");
    if (!m_connected) {
        m_saidAway = false;
        m_connected = true;  // so that the first try's failure is said
        SetConnected(false);
    }
    Refresh();
    qint64 refreshed = QDateTime::currentMSecsSinceEpoch();
    while (!m_stop) {
        // One select for the library's sockets and the wake-up, until a
        // request, a changed snapshot, the library's next timer or the next
        // refresh. A large set: with hundreds of devices the service's
        // descriptors pass FD_SETSIZE.
        struct timeval wait = {0, kRefreshMs * 1000};
        netsnmp_large_fd_set reads;
        netsnmp_large_fd_set_init(&reads, FD_SETSIZE);
        int fds = 0, block = 0;
        snmp_select_info2(&fds, &reads, &wait, &block);
        NETSNMP_LARGE_FD_SET(m_wake, &reads);
        fds = std::max(fds, m_wake + 1);
        const int ready = netsnmp_large_fd_set_select(fds, &reads, nullptr, nullptr, &wait);
        bool changed = false;
        if (ready > 0) {
            if (NETSNMP_LARGE_FD_ISSET(m_wake, &reads)) {
                quint64 count = 0;
                changed = read(m_wake, &count, sizeof(count)) > 0;
                NETSNMP_LARGE_FD_CLR(m_wake, &reads);
            }
            snmp_read2(&reads);
        } else if (ready == 0) {
            snmp_timeout();
        }
        netsnmp_large_fd_set_cleanup(&reads);
        run_alarms();  // the master agent's ping, and the reconnection
        netsnmp_check_outstanding_agent_requests();
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (changed || now - refreshed >= kRefreshMs) {
            Refresh();  // before the notifications: the table shows what they tell
            refreshed = now;
        }
        SendWaiting();
    }
    // Unregistered first: the library's shutdown frees what a callback still
    // registered was given, which would be this object.
    snmp_unregister_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_START, OnConnect, this,
                             1);
    snmp_unregister_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_STOP, OnDisconnect,
                             this, 1);
    snmp_shutdown("qvt-monitord");
    m_tables.reset();
}

int SnmpAgent::OnConnect(int, int, void *, void *agent)
{
    static_cast<SnmpAgent *>(agent)->SetConnected(true);
    return 0;
}

int SnmpAgent::OnDisconnect(int, int, void *, void *agent)
{
    static_cast<SnmpAgent *>(agent)->SetConnected(false);
    return 0;
}

void SnmpAgent::Refresh()
{
    Tables &t = *m_tables;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QSet<QString> present;
    std::vector<SnmpEvent> events;
    const auto event = [&](SnmpEvent::Kind kind, const SnmpDevice &d, const Tables::Device &row,
                           const Tables::Alarm *alarm) {
        SnmpEvent e;
        e.kind = kind;
        e.device = d.name;
        e.deviceIndex = row.index;
        e.address = d.address;
        if (alarm) {
            e.alarm = alarm->what;
            e.alarmIndex = alarm->index;
        }
        e.time = now;
        events.push_back(e);
    };
    for (const SnmpDevice &d : m_devices()) {
        present.insert(d.name);
        Tables::Device &dev = t.devices_[d.name];
        // A counter that went back (the watch started again after a reload)
        // is a new row: a Counter32 never goes back under one index.
        if (dev.row && d.events < dev.events) {
            netsnmp_table_dataset_remove_and_delete_row(t.devices, dev.row);
            for (Tables::Alarm &a : dev.alarms) {
                if (a.row) {
                    netsnmp_table_dataset_remove_and_delete_row(t.alarms, a.row);
                }
            }
            dev = Tables::Device();
        }
        if (dev.index == 0) {
            dev.index = t.nextDevice++;
        }
        if (!dev.row) {
            dev.row = NewRow({dev.index});
            netsnmp_table_dataset_add_row(t.devices, dev.row);
        }
        dev.events = d.events;
        netsnmp_table_row *row = dev.row;
        SetText(row, kName, d.name);
        const in_addr_t address = htonl(d.address);
        netsnmp_set_row_column(row, kAddress, ASN_IPADDRESS, &address, sizeof(address));
        SetText(row, kModel, d.model);
        SetText(row, kSerial, d.serial);
        SetText(row, kFirmware, d.firmware);
        SetTruth(row, kOnline, d.up);
        SetTruth(row, kRouteOk, d.routeOk);
        SetNumber(row, kAlarmEvents, ASN_COUNTER, u_long(d.events & 0xFFFFFFFFu));
        SetNumber(row, kLastPollSuccess, ASN_UNSIGNED, u_long(qMax<qint64>(0, d.lastPollSuccess)));
        if (dev.seen && d.up != dev.up) {
            event(d.up ? SnmpEvent::Up : SnmpEvent::Down, d, dev, nullptr);
        }
        if (!d.up) {
            // Lost: its state is not known. Its alarms keep their numbers,
            // to be compared with what it says when it answers again.
            for (Tables::Alarm &a : dev.alarms) {
                if (a.row) {
                    netsnmp_table_dataset_remove_and_delete_row(t.alarms, a.row);
                    a.row = nullptr;
                }
            }
        } else {
            for (int i = dev.alarms.size() - 1; i >= 0; --i) {
                if (!d.active.contains(dev.alarms[i].what)) {
                    event(SnmpEvent::Cleared, d, dev, &dev.alarms[i]);
                    if (dev.alarms[i].row) {
                        netsnmp_table_dataset_remove_and_delete_row(t.alarms, dev.alarms[i].row);
                    }
                    dev.alarms.removeAt(i);
                }
            }
            for (const SnmpAlarm &what : d.active) {
                auto a = std::find_if(dev.alarms.begin(), dev.alarms.end(),
                                      [&what](const Tables::Alarm &x) { return x.what == what; });
                if (a == dev.alarms.end()) {
                    dev.alarms.append({what, ++dev.nextAlarm, now, nullptr});
                    a = dev.alarms.end() - 1;
                    event(SnmpEvent::Raised, d, dev, &*a);
                }
                if (!a->row) {
                    a->row = NewRow({dev.index, a->index});
                    SetText(a->row, kInput, what.input);
                    SetText(a->row, kAlarmName, what.name);
                    SetNumber(a->row, kChannel, ASN_UNSIGNED, u_long(what.channel));
                    const QByteArray raised = DateAndTime(a->raised);
                    netsnmp_set_row_column(a->row, kRaised, ASN_OCTET_STR, raised.constData(),
                                           size_t(raised.size()));
                    netsnmp_table_dataset_add_row(t.alarms, a->row);
                }
            }
        }
        dev.up = d.up;
        dev.seen = true;
    }
    // Devices a reload removed: their rows go; their numbers are not given again.
    for (auto i = t.devices_.begin(); i != t.devices_.end(); ++i) {
        Tables::Device &dev = i.value();
        if (!present.contains(i.key()) && dev.row) {
            netsnmp_table_dataset_remove_and_delete_row(t.devices, dev.row);
            dev.row = nullptr;
            for (Tables::Alarm &a : dev.alarms) {
                if (a.row) {
                    netsnmp_table_dataset_remove_and_delete_row(t.alarms, a.row);
                }
            }
            dev.alarms.clear();
            dev.seen = false;
        }
    }
    if (!events.empty()) {
        std::lock_guard<std::mutex> lock(m_lock);
        for (const SnmpEvent &e : events) {
            m_waiting.push_back(e);
            if (m_waiting.size() > size_t(kMaxWaiting)) {
                m_waiting.pop_front();
                ++m_dropped;
            }
        }
    }
}

void SnmpAgent::SendWaiting()
{
    // A few at a time, reading the master agent's answers in between: a
    // burst written whole fills the socket both ways and stalls both sides.
    for (int sent = 0; m_connected; ++sent) {
        SnmpEvent e;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_waiting.empty()) {
                return;
            }
            if (sent == kBurst) {
                Wake();  // the rest after the next read
                return;
            }
            e = m_waiting.front();
            m_waiting.pop_front();
        }
        const u_long d = e.deviceIndex;
        netsnmp_variable_list *vars = nullptr;
        const bool alarm = e.kind == SnmpEvent::Raised || e.kind == SnmpEvent::Cleared;
        const std::vector<oid> notification = Oid({0, oid(e.kind) + 1});
        snmp_varlist_add_variable(&vars, kSnmpTrapOid, sizeof(kSnmpTrapOid) / sizeof(oid),
                                  ASN_OBJECT_ID,
                                  reinterpret_cast<const u_char *>(notification.data()),
                                  notification.size() * sizeof(oid));
        AddText(&vars, Oid({1, 1, 1, kName, d}), e.device.toUtf8());
        if (alarm) {
            const u_long a = e.alarmIndex;  // its row's, in the table as it was sent
            AddText(&vars, Oid({1, 2, 1, kInput, d, a}), e.alarm.input.toUtf8());
            AddText(&vars, Oid({1, 2, 1, kAlarmName, d, a}), e.alarm.name.toUtf8());
            const u_long channel = u_long(e.alarm.channel);
            const std::vector<oid> at = Oid({1, 2, 1, kChannel, d, a});
            snmp_varlist_add_variable(&vars, at.data(), at.size(), ASN_UNSIGNED,
                                      reinterpret_cast<const u_char *>(&channel), sizeof(channel));
        } else {
            const in_addr_t address = htonl(e.address);
            const std::vector<oid> at = Oid({1, 1, 1, kAddress, d});
            snmp_varlist_add_variable(&vars, at.data(), at.size(), ASN_IPADDRESS,
                                      reinterpret_cast<const u_char *>(&address), sizeof(address));
        }
        AddText(&vars, Oid({1, 3, 1, 0}), DateAndTime(e.time));
        send_v2trap(vars);
        snmp_free_varbind(vars);
    }
}
