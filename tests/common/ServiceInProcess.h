#pragma once

#include "StationMonitor.h"

#include <QStringList>

#include <memory>
#include <mutex>

// qvt-monitord's service in the test's own process, what it says kept for
// the test to read (its watch threads say it); a device's answer counts
// within 150 ms, so that a silent one is lost soon.
class ServiceInProcess final
{
public:
    // Empty on success, else why it did not start.
    QString Start(const MonitorConfig &config)
    {
        m_monitor = std::make_unique<StationMonitor>(
            config,
            [this](const QString &line, bool) {
                std::lock_guard<std::mutex> lock(m_lock);
                m_said << line;
            },
            SessionTimings{150, 0, 0});
        QString error;
        return m_monitor->Start(&error) ? QString() : error;
    }
    void Reset() { m_monitor.reset(); }
    StationMonitor *operator->() const { return m_monitor.get(); }
    QStringList Said() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_said;
    }

private:
    std::unique_ptr<StationMonitor> m_monitor;
    mutable std::mutex m_lock;
    QStringList m_said;
};
