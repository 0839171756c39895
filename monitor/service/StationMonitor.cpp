#include "StationMonitor.h"

#include "ConfirmationKeeper.h"

#include "DeviceTables.h"
#include "Exposition.h"
#include "HttpServer.h"
#include "ProcessMetrics.h"
#include "QvtVersion.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include "SnmpAgent.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {
// The service's own families, beside the devices' (DeviceMetrics.cpp).
const Exposition::Family kJournalUp = {
    "qvt_journal_up",
    "gauge",
    "1 when the change journal could be read and written at the last snapshots, else 0.",
    {}};
const Exposition::Family kJournalPending = {"qvt_journal_pending_operations",
                                            "gauge",
                                            "Change journal operations waiting to be written.",
                                            {}};
const Exposition::Family kBuildInfo = {
    "qvt_build_info",
    "gauge",
    "1, labelled with the version and the commit this qvt-monitord was built from.",
    {"version", "revision"}};
const Exposition::Family kReloadOk = {
    "qvt_config_last_reload_successful",
    "gauge",
    "1 when the last reload of the configuration (SIGHUP) succeeded, else 0.",
    {}};
const Exposition::Family kReloadTime = {
    "qvt_config_last_reload_success_timestamp_seconds",
    "gauge",
    "When the configuration was last loaded: the start, or the last good reload.",
    {}};
const Exposition::Family kAgentxConnected = {
    "qvt_agentx_connected",
    "gauge",
    "1 while the SNMP subagent is connected to the master agent (agentx), else 0.",
    {}};
const Exposition::Family kAgentxDropped = {
    "qvt_agentx_notifications_dropped_total",
    "counter",
    "SNMP notifications dropped, oldest first, because too many waited for the master agent.",
    {}};

const Exposition::Family kDropped = {
    "qvt_notifications_dropped_total",
    "counter",
    "Notification datagrams dropped: from an address that is no watched device "
    "(unknown_sender), malformed, or empty.",
    {"reason"}};
}  // namespace

StationMonitor::StationMonitor(const MonitorConfig &config, Say say, const SessionTimings &timings,
                               const WebConfig &web)
    : m_config(config), m_say(std::move(say)), m_timings(timings), m_web(web)
{}

StationMonitor::~StationMonitor()
{
    Stop();
}

bool StationMonitor::Start(QString *error)
{
    if (!QDir().mkpath(m_config.logsDir)) {
        *error = QStringLiteral("the log directory %1 cannot be created").arg(m_config.logsDir);
        return false;
    }
    if (!m_notices.Start(m_config.notifyPort)) {
        *error = QStringLiteral("the notification port %1 cannot be opened (in use?)")
                     .arg(m_config.notifyPort);
        return false;
    }
    WatchSettings &settings = m_settings;
    settings.pollMs = qRound(m_config.pollSeconds * 1000);
    settings.downAfterMs = qRound(m_config.downAfterSeconds * 1000);
    settings.notifyPort = m_config.notifyPort;
    settings.logsDir = m_config.logsDir;
    settings.timings = m_timings;
    settings.say = m_say;
    settings.snapshotMs = qRound64(m_config.snapshotMinutes * 60000);
    settings.journal = m_config.journal;
    settings.journalSpool = m_config.journalSpool;
    if (!m_config.agentx.isEmpty()) {
        m_snmp = std::make_unique<SnmpAgent>(
            m_config.agentx, [this] { return SnmpDevices(); }, m_say);
        settings.changed = [this] {
            if (m_snmpRunning) {
                m_snmp->Changed();
            }
        };
    }
    for (const MonitorDevice &device : m_config.devices) {
        m_watches.push_back(std::make_unique<DeviceWatch>(device, settings, &m_notices));
        m_byName.insert(device.name, m_watches.back().get());
    }
    m_reloadMs = QDateTime::currentMSecsSinceEpoch();
    m_http = std::make_unique<HttpServer>(m_config.listenAddress, m_config.listenPort, m_web);
    m_http->Get(QStringLiteral("/metrics"), [this](const HttpRequest &) {
        return HttpResponse{200, Exposition::kContentType, Metrics()};
    });
    m_http->Get(QStringLiteral("/probe"), [this](const HttpRequest &request) {
        const QString target = request.Param(QStringLiteral("target"));
        if (target.isEmpty()) {
            return HttpResponse{400, "text/plain; charset=utf-8", "target parameter missing\n"};
        }
        if (!HasDevice(target)) {
            return HttpResponse{404, "text/plain; charset=utf-8",
                                "no device named \"" + target.toUtf8() + "\"\n"};
        }
        return HttpResponse{200, Exposition::kContentType, Metrics(target)};
    });
    m_http->Get(QStringLiteral("/api/v1/devices"), [this](const HttpRequest &) {
        return HttpResponse{200, "application/json", DevicesJson()};
    });
    m_http->Get(QStringLiteral("/healthz"), [](const HttpRequest &) {
        return HttpResponse{200, "text/plain; charset=utf-8", "ok\n"};
    });
    QString why;
    if (!m_http->Start(&why)) {
        *error = QStringLiteral("HTTP on %1:%2: %3")
                     .arg(m_config.listenAddress)
                     .arg(m_config.listenPort)
                     .arg(why);
        m_http.reset();
        m_byName.clear();
        m_watches.clear();
        m_snmp.reset();
        m_notices.Stop();
        return false;
    }
    if (m_snmp) {
        // Without it the rest serves all the same; the object stays until
        // Stop, as the watches' cue reads it.
        m_snmpRunning = m_snmp->Start(&why);
        if (!m_snmpRunning) {
            m_say(why, true);
        }
    }
    for (const auto &watch : m_watches) {
        watch->Start();
    }
    if (settings.snapshotMs > 0) {
        // Changes made with --confirm-within are reverted here when their
        // deadline passes unconfirmed.
        m_keeper = std::make_unique<ConfirmationKeeper>(
            m_config.journal, settings.pollMs,
            [this](const std::function<void(DeviceWatch &)> &visit) {
                std::shared_lock<std::shared_mutex> lock(m_watchLock);
                for (const auto &watch : m_watches) {
                    visit(*watch);
                }
            },
            m_say);
        m_keeper->Start();
    }
    m_running = true;
    return true;
}

void StationMonitor::Stop()
{
    if (!m_running) {
        return;
    }
    m_running = false;
    // What has arrived is handed to the watches, and nothing more arrives
    // once Stop returns; it all waits in the watches' queues.
    m_notices.Drain();
    m_notices.Stop();
    m_keeper.reset();  // stopped and joined: it asks no watch for more
    StopWatches(m_watches);
    if (m_http) {
        m_http->Stop();
    }
    // After the watches and the HTTP side: nothing reads it any more.
    m_snmpRunning = false;
    m_snmp.reset();
}

void StationMonitor::StopWatches(std::vector<std::unique_ptr<DeviceWatch>> &watches)
{
    for (const auto &watch : watches) {
        watch->Stop();
        watch->Interrupt();
    }
    for (const auto &watch : watches) {
        watch->Join();
        watch->Flush();
        watch->Link().Close();
    }
}

void StationMonitor::Reload(const MonitorConfig &next)
{
    QStringList later;
    const QPair<bool, const char *> globals[] = {
        {next.listenAddress != m_config.listenAddress || next.listenPort != m_config.listenPort,
         "listen"},
        {next.notifyPort != m_config.notifyPort, "notify-port"},
        {next.logsDir != m_config.logsDir, "logs"},
        {next.pollSeconds != m_config.pollSeconds, "poll"},
        {next.downAfterSeconds != m_config.downAfterSeconds, "down-after"},
        {next.snapshotMinutes != m_config.snapshotMinutes, "snapshot"},
        {next.journal != m_config.journal, "journal"},
        {next.webConfigFile != m_config.webConfigFile, "web-config-file"},
        {next.agentx != m_config.agentx, "agentx"},
    };
    for (const auto &global : globals) {
        if (global.first) {
            later << QLatin1String(global.second);
        }
    }
    QHash<QString, MonitorDevice> before;
    for (const MonitorDevice &device : m_config.devices) {
        before.insert(device.name, device);
    }
    QStringList added, removed, changed;
    QSet<QString> leave;
    QVector<MonitorDevice> arrive;
    for (const MonitorDevice &device : next.devices) {
        const auto old = before.constFind(device.name);
        if (old == before.cend()) {
            added << device.name;
            arrive << device;
        } else if (old->address != device.address || old->user != device.user ||
                   old->password != device.password) {
            changed << device.name;
            leave << device.name;
            arrive << device;
        }
        before.remove(device.name);
    }
    for (const MonitorDevice &device : before) {
        removed << device.name;
        leave << device.name;
    }
    // Those that go stop first, so that a changed device's new watch, or
    // another device taking over an address, finds its address free.
    std::vector<std::unique_ptr<DeviceWatch>> leaving;
    {
        std::unique_lock<std::shared_mutex> lock(m_watchLock);
        for (auto i = m_watches.begin(); i != m_watches.end();) {
            if (leave.contains((*i)->Name())) {
                m_byName.remove((*i)->Name());
                leaving.push_back(std::move(*i));
                i = m_watches.erase(i);
            } else {
                ++i;
            }
        }
    }
    StopWatches(leaving);
    leaving.clear();
    std::vector<DeviceWatch *> started;
    {
        std::unique_lock<std::shared_mutex> lock(m_watchLock);
        for (const MonitorDevice &device : arrive) {
            m_watches.push_back(std::make_unique<DeviceWatch>(device, m_settings, &m_notices));
            m_byName.insert(device.name, m_watches.back().get());
            started.push_back(m_watches.back().get());
        }
    }
    for (DeviceWatch *watch : started) {
        watch->Start();
    }
    // The next reload compares with the devices now running and the
    // settings of the start, which still hold.
    m_config.devices = next.devices;
    m_reloadOk = 1;
    m_reloadMs = QDateTime::currentMSecsSinceEpoch();
    const auto names = [](const QStringList &list) {
        return list.isEmpty() ? QStringLiteral("none") : list.join(QStringLiteral(", "));
    };
    m_say(QStringLiteral("configuration reloaded: %1 device(s); added %2; removed %3; started "
                         "again %4")
              .arg(m_config.devices.size())
              .arg(names(added), names(removed), names(changed)),
          false);
    if (!later.isEmpty()) {
        m_say(QStringLiteral("configuration reloaded: %1 changed, which takes effect at the next "
                             "start")
                  .arg(later.join(QStringLiteral(", "))),
              true);
    }
}

void StationMonitor::ReloadFailed(const QString &why)
{
    m_reloadOk = 0;
    m_say(
        QStringLiteral("configuration not reloaded, the devices run on as they were: %1").arg(why),
        true);
}

quint16 StationMonitor::HttpPort() const
{
    return m_http ? m_http->Port() : 0;
}

bool StationMonitor::HasDevice(const QString &name) const
{
    std::shared_lock<std::shared_mutex> lock(m_watchLock);
    return m_byName.contains(name);
}

QByteArray StationMonitor::Metrics(const QString &onlyDevice) const
{
    std::shared_lock<std::shared_mutex> lock(m_watchLock);
    std::vector<MetricLines> lines;
    const auto take = [&lines](const DeviceWatch *watch) { lines.push_back(watch->Lines()); };
    if (onlyDevice.isEmpty()) {
        lines.reserve(m_watches.size());
        for (const auto &watch : m_watches) {
            take(watch.get());
        }
    } else if (const DeviceWatch *watch = m_byName.value(onlyDevice)) {
        take(watch);
    }
    size_t size = 0;
    for (const MetricLines &device : lines) {
        for (const QByteArray &family : device) {
            size += size_t(family.size());
        }
    }
    QByteArray out;
    out.reserve(int(size) + 4096);
    for (int f = 0; f < kFamilyCount; ++f) {
        const int before = out.size();
        out += kDeviceFamilies[f].Head();
        const int headed = out.size();
        for (const MetricLines &device : lines) {
            out += device[size_t(f)];
        }
        if (out.size() == headed) {
            out.truncate(before);  // a family without samples is left out
        }
    }
    if (onlyDevice.isEmpty()) {
        // The journal as the devices' snapshots last found it: down when
        // any of them could not use it; unknown until one tried.
        int journalUp = -1;
        qint64 pending = 0;
        for (const auto &watch : m_watches) {
            const int up = watch->JournalUp();
            journalUp = up < 0 ? journalUp : journalUp < 0 ? up : qMin(journalUp, up);
            pending += watch->JournalPending();
        }
        if (journalUp >= 0) {
            out += kJournalUp.Head();
            kJournalUp.Sample(out, {}, QByteArray::number(journalUp));
        }
        out += kJournalPending.Head();
        kJournalPending.Sample(out, {}, QByteArray::number(pending));
        out += kBuildInfo.Head();
        kBuildInfo.Sample(out, {kProgramVersion, kProgramRevision}, "1");
        out += ProcessMetricsText();
        out += kReloadOk.Head();
        kReloadOk.Sample(out, {}, QByteArray::number(m_reloadOk.load()));
        out += kReloadTime.Head();
        kReloadTime.Sample(out, {}, Exposition::FormatValue(double(m_reloadMs.load()) / 1000));
        if (m_snmpRunning) {
            out += kAgentxConnected.Head();
            kAgentxConnected.Sample(out, {}, m_snmp->Connected() ? "1" : "0");
            out += kAgentxDropped.Head();
            kAgentxDropped.Sample(out, {}, QByteArray::number(m_snmp->Dropped()));
        }
        out += kDropped.Head();
        const QPair<NoticesServer::Drop, const char *> reasons[] = {
            {NoticesServer::Drop::UnknownSender, "unknown_sender"},
            {NoticesServer::Drop::Malformed, "malformed"},
            {NoticesServer::Drop::Empty, "empty"}};
        for (const auto &reason : reasons) {
            kDropped.Sample(out, {reason.second},
                            QByteArray::number(m_notices.Dropped(reason.first)));
        }
    }
    return out;
}

QVector<SnmpDevice> StationMonitor::SnmpDevices() const
{
    std::shared_lock<std::shared_mutex> lock(m_watchLock);
    QVector<SnmpDevice> devices;
    devices.reserve(int(m_watches.size()));
    for (const auto &watch : m_watches) {
        const DeviceSnapshot s = watch->Snapshot();
        SnmpDevice d;
        d.name = s.name;
        d.address = QHostAddress(s.address).toIPv4Address();
        d.model = s.model;
        d.serial = s.serial;
        d.firmware = s.firmware;
        d.up = s.up;
        d.routeOk = s.routeOk == 1;
        d.events = s.events;
        d.lastPollSuccess = s.lastPollSuccess;
        if (s.up) {
            for (const ActiveAlarm &alarm : ActiveAlarms(s.alarms, IsDual(s.productType))) {
                d.active.append({alarm.input, alarm.kind, alarm.channel});
            }
        }
        devices.append(d);
    }
    return devices;
}

QByteArray StationMonitor::DevicesJson() const
{
    std::shared_lock<std::shared_mutex> lock(m_watchLock);
    QJsonArray devices;
    for (const auto &watch : m_watches) {
        const DeviceSnapshot s = watch->Snapshot();
        QJsonArray alarms;
        if (s.up) {
            for (const ActiveAlarm &alarm : ActiveAlarms(s.alarms, IsDual(s.productType))) {
                alarms.append(QJsonObject{{"input", alarm.input}, {"alarm", alarm.alarm}});
            }
        }
        devices.append(
            QJsonObject{{"name", s.name},
                        {"address", s.address},
                        {"user", QString::fromLatin1(UserName(watch->Device().user))},
                        {"model", s.model},
                        {"productType", s.productType},
                        {"serial", s.serial},
                        {"firmware", s.firmware},
                        {"up", s.up},
                        {"routeOk", s.routeOk < 0 ? QJsonValue() : QJsonValue(s.routeOk == 1)},
                        {"alarmEvents", double(s.events)},
                        {"lastPollSuccess", double(s.lastPollSuccess)},
                        {"alarms", alarms}});
    }
    return QJsonDocument(devices).toJson(QJsonDocument::Compact) + '\n';
}
