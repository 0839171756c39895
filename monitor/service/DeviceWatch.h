#pragma once

#include "AlarmCsv.h"
#include "AlarmState.h"
#include "DriftSnapshot.h"
#include "MonitorConfig.h"
#include "Session.h"
#include "WorkerThread.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>
#include <mutex>
#include <vector>

// What the service knows of one device at a moment, for its HTTP answers.
struct DeviceSnapshot {
    QString name;
    QString address;
    bool up = false;  // logged in and answering
    int productType = 0;
    QString model;  // "QVT 4x1 AGC"; empty before the first login
    QString serial;
    QString firmware;
    AlarmState alarms;  // valid while up
    quint64 events = 0;
    int routeOk = -1;  // this host is a notification destination: 1, 0, or -1 not known yet
};

// The metric lines of one device, one text per family, rendered when its
// state changes so that a scrape only joins them.
enum MetricKind {
    kUp,
    kInfo,
    kVideoAlarm,
    kAudioAlarm,
    kSystemAlarm,
    kEvents,
    kRouteOk,
    kFamilyCount
};
using MetricLines = std::array<QByteArray, kFamilyCount>;

// The service's settings that each device's watch follows.
struct WatchSettings {
    int pollMs = 1000;
    quint16 notifyPort = 0;  // where this service receives notifications
    QString logsDir;         // each device logs in logsDir/NAME/
    SessionTimings timings;
    qint64 snapshotMs = 0;  // between two snapshots for the change journal; 0: none
    QString journal;        // the change journal's location
    // Lines for standard error (the journal); never a password.
    std::function<void(const QString &line, bool warning)> say;
};

// Watches one device on a thread of its own: logs in (again after a loss),
// reads its identity, polls its alarms, re-reads them at once after each
// notification from it, writes each event to its alarm log as it comes, and
// checks now and then that its notifications are routed to this service.
class DeviceWatch final : public WorkerThread
{
    Q_OBJECT

public:
    DeviceWatch(const MonitorDevice &device, const WatchSettings &settings, NoticesServer *server);
    ~DeviceWatch() override;

    DeviceSnapshot Snapshot() const;
    MetricLines Lines() const;
    // The rows still waiting for the alarm log, written now; for the end,
    // once the thread has been joined.
    void Flush();
    // Ends the exchange in flight at once; for the end, after Stop.
    void Interrupt();
    // The device's session, for the end: closed once the thread is joined.
    Session &Link() { return m_session; }

    // Where the device's alarm log of `day` goes.
    QString LogPath(const QDate &day) const;

protected:
    void Step() override;
    void Finished() override;

private:
    Q_DISABLE_COPY(DeviceWatch)
    void OnNotification(const AlarmInfo &info);
    bool LogIn();
    void ReadIdentity();
    bool ReadAlarms();
    void CheckRoute();
    // The device stopped or started answering: said, logged and published.
    void Changed(bool answering);
    void Log(const AlarmInfo &info);
    void WriteRows();
    // Publishes `change` made to the snapshot, with its metric lines.
    template <class Change>
    void Publish(Change &&change);
    void Render();

    const MonitorDevice m_device;
    const WatchSettings m_settings;
    NoticesServer *m_server;
    Session m_session;

    // The thread's own state.
    bool m_loggedIn = false;  // the session has logged in once
    bool m_up = false;
    int m_failedLogins = 0;
    qint64 m_nextRouteCheck = 0;
    AlarmCsv::Preamble m_preamble;
    DriftSnapshot m_drift;
    QDate m_day;           // the day of the file rows go to
    int m_rowsInFile = 0;  // rows already in that file

    // Shared with the receive thread (the queue) and the HTTP threads.
    mutable std::mutex m_lock;
    std::vector<AlarmInfo> m_pending;  // events not yet written
    DeviceSnapshot m_snapshot;
    MetricLines m_lines;
    DeviceSnapshot m_rendered;  // what m_lines show
    bool m_renderedOnce = false;
};
