#pragma once

#include "DeviceWatch.h"
#include "MonitorConfig.h"
#include "NoticesServer.h"
#include "WebConfig.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class HttpServer;

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

    // The answers of the HTTP side, also for tests.
    QByteArray Metrics(const QString &onlyDevice = QString()) const;
    QByteArray DevicesJson() const;
    bool HasDevice(const QString &name) const;

private:
    MonitorConfig m_config;
    Say m_say;
    SessionTimings m_timings;
    WebConfig m_web;
    NoticesServer m_notices;
    std::vector<std::unique_ptr<DeviceWatch>> m_watches;
    QHash<QString, const DeviceWatch *> m_byName;  // fixed once started
    std::unique_ptr<HttpServer> m_http;
    bool m_running = false;
};
