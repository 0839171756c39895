#pragma once

#include "Exposition.h"

#include "AlarmCsv.h"
#include "AlarmState.h"
#include "DriftSnapshot.h"
#include "MonitorConfig.h"
#include "Session.h"
#include "WorkerThread.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QString>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

// What the service knows of one device at a moment, for its HTTP answers.
struct DeviceSnapshot {
    QString name;
    QString address;
    bool up = false;  // logged in and answering, or silent for less than down-after
    int productType = 0;
    QString model;  // "QVT 4x1 AGC"; empty before the first login
    QString serial;
    QString firmware;
    AlarmState alarms;   // valid while up
    quint64 events = 0;  // alarm log rows written
    int routeOk = -1;    // this host is a notification destination: 1, 0, or -1 not known yet
    quint64 pollFailures = 0;
    qint64 lastPollSuccess = 0;            // Unix seconds; 0: never
    quint64 loginFailures[3] = {0, 0, 0};  // by LoginFailure
    quint64 writeFailures = 0;             // row writes that failed, each try of each row
    quint64 pendingRows = 0;               // rows waiting for the alarm log
    quint64 rowsDropped = 0;               // rows the full backlog could not keep
    int pendingConfirmations = 0;          // changes awaiting confirmation on it
    quint64 confirmationsReverted = 0;     // changes it reverted as not confirmed
};

enum LoginFailure { kLoginRefused, kLoginNoAnswer, kLoginUpgrading };

// The metric families of one device, each declared once here and rendered
// when its values change, so that a scrape only joins the texts.
enum MetricKind {
    kUp,
    kInfo,
    kVideoAlarm,
    kAudioAlarm,
    kSystemAlarm,
    kEvents,
    kRouteOk,
    kPollFailures,
    kLastPollSuccess,
    kLoginFailures,
    kWriteFailures,
    kPendingRows,
    kRowsDropped,
    kPendingConfirmations,
    kConfirmationsReverted,
    kFamilyCount
};
extern const Exposition::Family kDeviceFamilies[kFamilyCount];  // in the order of MetricKind
using MetricLines = std::array<QByteArray, kFamilyCount>;

// The service's settings that each device's watch follows.
struct WatchSettings {
    int pollMs = 1000;
    int downAfterMs = 5000;  // silent this long, and two polls in a row: lost
    quint16 notifyPort = 0;  // where this service receives notifications
    QString logsDir;         // each device logs in logsDir/NAME/
    SessionTimings timings;
    qint64 snapshotMs = 0;  // between two snapshots for the change journal; 0: none
    QString journal;        // the change journal's location
    QString journalSpool;   // where its entries wait meanwhile; empty: the user's
    // Lines for standard error (the journal); never a password.
    std::function<void(const QString &line, bool warning)> say;
    // Called (under the watch's lock: it must only signal) when the device
    // is lost or found or its alarms change; the SNMP subagent's cue.
    std::function<void()> changed;
};

// Watches one device on a thread of its own: logs in (again after a loss),
// reads its identity, polls its alarms, re-reads them at once after each
// notification from it, logs every change of its alarms (notified, or seen
// only by polling) and its losses, and checks now and then that its
// notifications are routed to this service.
//
// The alarm log: every row goes to a backlog that the watch thread writes in
// order; a row that cannot be written (folder, file, disk) waits there, at
// most kMaxPendingRows, and is tried again at every poll.
class DeviceWatch final : public WorkerThread
{
    Q_OBJECT

public:
    static constexpr int kMaxPendingRows = 100000;

    DeviceWatch(const MonitorDevice &device, const WatchSettings &settings, NoticesServer *server);
    ~DeviceWatch() override;

    const QString &Name() const { return m_device.name; }
    const MonitorDevice &Device() const { return m_device; }
    DeviceSnapshot Snapshot() const;
    MetricLines Lines() const;
    // The rows still waiting for the alarm log, written now; for the end,
    // once the thread has been joined. Says what could not be written.
    void Flush();
    // Ends the exchange in flight at once; for the end, after Stop.
    void Interrupt();
    // The device's session, for the end: closed once the thread is joined.
    Session &Link() { return m_session; }

    // Where the device's alarm log of `day` goes.
    QString LogPath(const QDate &day) const;

    // Whether it logs in as admin, so may revert an unconfirmed change.
    bool CanRevert() const;
    // Any thread: operation `confirmation` missed its deadline; the watch
    // thread reverts it at its next step. `pending`: how many changes on the
    // device await confirmation, for the metric.
    void RequestRevert(const JournalConfirmation &confirmation);
    void SetPendingConfirmations(int pending);

    // The change journal as this device's snapshots last found it (1, 0, or
    // -1 not tried yet) and the operations that wait for it.
    int JournalUp() const { return m_journalUp; }
    int JournalPending() const { return m_journalPending; }

protected:
    void Step() override;
    void Finished() override;

private:
    Q_DISABLE_COPY(DeviceWatch)
    // A change a poll saw and no notification has told of yet.
    struct SeenChange {
        AlarmBit alarm;
        bool on;
        QDateTime time;
        qint64 ms;  // on m_clock
    };
    void OnNotification(const AlarmInfo &info);
    bool LogIn();
    void ReadIdentity();
    void Poll();
    void Answered(const AlarmState &state);
    // What a poll found beyond the log: changes to log unless told of.
    void Seen(const AlarmState &state, const QDateTime &now);
    // Silent for down-after and two polls: said, logged and published.
    void Lost();
    void CheckRoute();
    bool Dual() const;
    // The notifications that arrived, each a row; what polls alone saw and
    // no notification told of within the grace, rows "seen by polling".
    void TakeEvents();
    // Logs the changes polls saw up to `ms` on m_clock (all: -1 for none left).
    void LogSeen(qint64 ms);
    void LogSeen(const std::vector<SeenChange> &changes);
    void Append(const QVector<AlarmInfo> &rows);
    // Rows the full queue or backlog could not keep: counted, said once.
    void Overflowed(quint64 dropped);
    void WriteRows();
    // Publishes `change` made to the snapshot, with its metric lines.
    template <class Change>
    void Publish(Change &&change)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        change(m_snapshot);
        Render();
    }
    void Render();
    void RevertDue();
    // The journal's who and where for what this watch writes.
    JournalContext Context() const;

    const MonitorDevice m_device;
    const WatchSettings m_settings;
    NoticesServer *m_server;
    Session m_session;

    // The thread's own state.
    QElapsedTimer m_clock;
    bool m_loggedIn = false;  // the session is logged in
    bool m_up = false;        // as published
    bool m_everUp = false;
    bool m_lostLogged = false;  // "Connection Lost, Asserted" written, "Cleared" due
    int m_failedPolls = 0;      // in a row
    qint64 m_lastAnswerMs = 0;  // on m_clock
    int m_loginProblem = -1;    // the LoginFailure said in this episode; -1: none
    qint64 m_nextRouteCheck = 0;
    AlarmCsv::Preamble m_preamble;
    DriftSnapshot m_drift;
    // The alarms as the log tells them, and the changes polls saw beyond
    // that: each is logged "seen by polling" once it is kSeenGraceMs old,
    // unless a notification tells of it first (it may come a moment after
    // the poll), or before a notification that tells of the change back.
    AlarmState m_logged;
    bool m_loggedValid = false;
    std::vector<SeenChange> m_seen;
    // The status bits that switch notifications (output, genlocking source)
    // told of lately: such a notification says where it switched, not how
    // the bit stands, so a poll soon after takes the bit as it finds it.
    AlarmState m_switched;
    qint64 m_switchedMs = 0;
    // The rows to write, oldest first, and where the next one goes.
    std::deque<AlarmInfo> m_rows;
    QDate m_day;             // the day whose file m_rowsInFile counts
    bool m_counted = false;  // m_rowsInFile is that file's, read since the last failure
    int m_rowsInFile = 0;
    bool m_writeFailing = false;  // this failure episode was said
    bool m_overflowSaid = false;
    quint64 m_episodeDropped = 0;  // rows dropped since writing last worked
    quint64 m_publishedPending = 0;

    std::atomic<int> m_journalUp{-1};
    std::atomic<int> m_journalPending{0};

    // Shared with the receive thread (the queue) and the HTTP threads.
    mutable std::mutex m_lock;
    std::deque<AlarmInfo> m_incoming;            // notifications not yet taken
    std::vector<JournalConfirmation> m_reverts;  // due, not yet taken
    quint64 m_incomingDropped = 0;               // notifications the full queue could not keep
    DeviceSnapshot m_snapshot;
    MetricLines m_lines;
    DeviceSnapshot m_rendered;  // what m_lines show
    bool m_renderedOnce = false;
};
