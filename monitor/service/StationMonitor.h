#pragma once

#include "DeviceWatch.h"
#include "MonitorConfig.h"
#include "NoticesServer.h"
#include "WebConfig.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <vector>

class ConfirmationKeeper;
class HttpServer;
class SnmpAgent;
struct SnmpDevice;

// The monitoring service: one watch per device, one notification port for
// them all, and the read-only HTTP side (metrics, devices, probe, health).
// Built and ended on one thread; the HTTP answers come from snapshots.
class StationMonitor final
{
public:
    using Say = std::function<void(const QString &line, bool warning)>;

    StationMonitor(const MonitorConfig &config, Say say, const SessionTimings &timings = {},
                   const WebConfig &web = WebConfig());
    ~StationMonitor();
    StationMonitor(const StationMonitor &) = delete;
    StationMonitor &operator=(const StationMonitor &) = delete;

    // Opens the notification port and the HTTP port, then starts watching.
    // False, with the reason, when a port cannot be had: nothing runs then.
    bool Start(QString *error);
    // Ends in order: no more notifications, the watches stopped and joined,
    // their pending rows written, their sessions closed, the HTTP side shut.
    void Stop();

    quint16 HttpPort() const;

    // A configuration read again (SIGHUP): devices added start, removed ones
    // stop with their rows written, changed ones (address, user, password)
    // start again; the others go on untouched. The global settings take
    // effect at the next start, which it says. Run on the thread of Start.
    void Reload(const MonitorConfig &next);
    // A configuration that could not be read again: said, and the metric.
    void ReloadFailed(const QString &why);

    // The answers of the HTTP side, also for tests.
    QByteArray Metrics(const QString &onlyDevice = QString()) const;
    QByteArray DevicesJson() const;
    bool HasDevice(const QString &name) const;
    // What the SNMP tables show: every device, from the same snapshots.
    QVector<SnmpDevice> SnmpDevices() const;

private:
    void StopWatches(std::vector<std::unique_ptr<DeviceWatch>> &watches);

    MonitorConfig m_config;
    Say m_say;
    SessionTimings m_timings;
    WebConfig m_web;
    NoticesServer m_notices;
    WatchSettings m_settings;
    // The HTTP side reads these under a shared lock; Reload changes them
    // under the exclusive one.
    mutable std::shared_mutex m_watchLock;
    std::vector<std::unique_ptr<DeviceWatch>> m_watches;
    QHash<QString, const DeviceWatch *> m_byName;
    std::atomic<int> m_reloadOk{1};
    std::atomic<qint64> m_reloadMs{0};  // the start, or the last good reload
    std::unique_ptr<ConfirmationKeeper> m_keeper;
    std::unique_ptr<SnmpAgent> m_snmp;  // with agentx set
    std::atomic<bool> m_snmpRunning{false};
    std::unique_ptr<HttpServer> m_http;
    bool m_running = false;
};
