#include "DeviceWatch.h"

#include "DeviceTables.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>

namespace {
constexpr int kLoginRetryMs = 5000;
constexpr int kRetryPauseMs = 100;  // after a poll the device left unanswered
constexpr int kSeenGraceMs = 500;   // a notification later than this after a poll is late
constexpr qint64 kRouteCheckMs = 60000;
const QVector<quint8> kAllInputs = {0, 1, 2, 3};

QString UserText(int user)
{
    return QString::fromLatin1(UserName(user));
}

qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Rows already in an alarm log file: the lines after its header line.
int RowsIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = file.readAll();
    const int header = text.indexOf("Number,Time,");
    if (header < 0) {
        return 0;
    }
    const int start = text.indexOf('\n', header);
    return start < 0 ? 0 : text.mid(start + 1).count('\n');
}

AlarmInfo Event(const char *type, const char *status)
{
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.alarmType = QLatin1String(type);
    info.alarmStatus = QLatin1String(status);
    return info;
}
}  // namespace

DeviceWatch::DeviceWatch(const MonitorDevice &device, const WatchSettings &settings,
                         NoticesServer *server)
    : m_device(device),
      m_settings(settings),
      m_server(server),
      m_session(settings.timings),
      m_drift(settings.snapshotMs, settings.journal, settings.journalSpool, settings.say)
{
    m_clock.start();
    m_snapshot.name = device.name;
    m_snapshot.address = device.address;
    m_preamble.ipAddress = device.address;
    // On the receive thread: queued for this thread, which it wakes.
    connect(
        &m_session.Notices(), &NoticeRoute::NotityAlarmInfo, this,
        [this](const AlarmInfo &info) { OnNotification(info); }, Qt::DirectConnection);
    // The device's datagrams are its own before the first login too.
    m_server->Attach(&m_session.Notices(), device.address, 0);
    Render();
}

DeviceWatch::~DeviceWatch()
{
    Stop();
    Interrupt();
    Join();
    m_server->Detach(&m_session.Notices());
}

QString DeviceWatch::LogPath(const QDate &day) const
{
    return QDir(m_settings.logsDir)
        .filePath(m_device.name + QLatin1Char('/') + day.toString(Qt::ISODate) +
                  QStringLiteral(".csv"));
}

DeviceSnapshot DeviceWatch::Snapshot() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_snapshot;
}

MetricLines DeviceWatch::Lines() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lines;
}

void DeviceWatch::Interrupt()
{
    m_session.Client().Close();
}

void DeviceWatch::OnNotification(const AlarmInfo &info)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_incoming.size() >= size_t(kMaxPendingRows)) {
            m_incoming.pop_front();
            ++m_incomingDropped;
        }
        m_incoming.push_back(info);
    }
    Wake();
}

void DeviceWatch::Step()
{
    TakeEvents();
    if (!m_loggedIn) {
        if (!LogIn()) {
            WriteRows();
            Pause(qMin(kLoginRetryMs, 5 * m_settings.pollMs));
            return;
        }
    } else {
        Poll();
    }
    if (m_loggedIn && m_up && m_failedPolls == 0) {
        RevertDue();
        m_drift.Step(m_session.Client(), m_session.ProductType(), Context());
        m_journalUp = m_drift.JournalUp();
        m_journalPending = m_drift.JournalPending();
    }
    WriteRows();
    const int pause = m_failedPolls > 0 ? kRetryPauseMs
                      : !m_seen.empty() ? kSeenGraceMs
                                        : m_settings.pollMs;
    Pause(qMin(pause, m_settings.pollMs));
}

JournalContext DeviceWatch::Context() const
{
    JournalContext context = LocalJournalContext(QStringLiteral("qvt-monitord"));
    context.deviceSerial = m_preamble.productSN;
    context.deviceAddress = m_device.address;
    context.deviceModel = m_preamble.moduleType;
    context.loginUser = UserText(m_device.user);
    return context;
}

void DeviceWatch::Finished()
{
    m_drift.Close();  // its journal belongs to this thread
}

bool DeviceWatch::Dual() const
{
    return IsDual(m_session.ProductType());
}

bool DeviceWatch::LogIn()
{
    using Outcome = DeviceSession::LoginOutcome;
    const Outcome outcome = m_session.LogIn(m_device.address, m_device.user, m_device.password);
    if (outcome != Outcome::LoggedIn) {
        // Closing detached the route: the device's datagrams are still its own.
        m_server->Attach(&m_session.Notices(), m_device.address, m_snapshot.productType);
        const int reason = outcome == Outcome::Refused     ? kLoginRefused
                           : outcome == Outcome::Upgrading ? kLoginUpgrading
                                                           : kLoginNoAnswer;
        Publish([reason](DeviceSnapshot &s) { ++s.loginFailures[reason]; });
        if (reason != m_loginProblem) {
            m_loginProblem = reason;
            const QString why = reason == kLoginRefused
                                    ? QStringLiteral("refused the login as %1 (wrong password?)")
                                          .arg(UserText(m_device.user))
                                : reason == kLoginUpgrading
                                    ? QStringLiteral("is upgrading its firmware")
                                    : QStringLiteral("does not answer");
            m_settings.say(QStringLiteral("%1 (%2): %3; trying again every %4 s")
                               .arg(m_device.name, m_device.address, why)
                               .arg(qMin(kLoginRetryMs, 5 * m_settings.pollMs) / 1000.0),
                           true);
        }
        return false;
    }
    m_loginProblem = -1;
    m_loggedIn = true;
    m_failedPolls = 0;
    m_lastAnswerMs = m_clock.elapsed();
    ReadIdentity();
    m_settings.say(
        QStringLiteral("%1 (%2): logged in as %3: %4, serial %5, firmware %6")
            .arg(m_device.name, m_device.address, UserText(m_device.user), m_preamble.moduleType,
                 m_preamble.productSN, m_preamble.firmwareVersion),
        false);
    Poll();
    return true;
}

void DeviceWatch::ReadIdentity()
{
    quint32 code = 0;
    QByteArray serial, extra;
    if (m_session.Client().GetProductInfo(code, serial, extra) == 0) {
        m_session.SetProductType(static_cast<int>(code));
    }
    m_session.RouteNotifications(m_server);
    AlarmCsv::ReadPreamble(m_session.Client(), m_preamble);
    Publish([this](DeviceSnapshot &s) {
        s.productType = m_session.ProductType();
        s.model = m_preamble.moduleType;
        s.serial = m_preamble.productSN;
        s.firmware = m_preamble.firmwareVersion;
    });
}

void DeviceWatch::Poll()
{
    AlarmState state;
    if (m_session.Client().GetAlarmInfo(kAllInputs, state.video, state.lost, state.silent,
                                        state.system) == 0 &&
        state.video.size() >= kInputCount && state.lost.size() >= kInputCount &&
        state.silent.size() >= kInputCount) {
        Answered(state);
        return;
    }
    ++m_failedPolls;
    Publish([](DeviceSnapshot &s) { ++s.pollFailures; });
    // One unanswered poll on a lossy link is not a lost device: it is lost
    // once it has been silent for down-after, over two polls at least.
    if (m_failedPolls >= 2 && m_clock.elapsed() - m_lastAnswerMs >= m_settings.downAfterMs) {
        Lost();
    }
}

void DeviceWatch::Answered(const AlarmState &state)
{
    m_failedPolls = 0;
    m_lastAnswerMs = m_clock.elapsed();
    const QDateTime now = QDateTime::currentDateTime();
    // The receiver names the next notification's channels from these masks.
    m_session.Notices().Masks().Store(state.lost, state.silent);
    if (!m_up) {
        m_up = true;
        if (m_lostLogged) {
            m_lostLogged = false;
            m_settings.say(
                QStringLiteral("%1 (%2): answering again").arg(m_device.name, m_device.address),
                false);
            Append({Event("Connection Lost", "Cleared")});
        }
        // What is active now is logged once: nothing told of it.
        Append(AlarmChanges(AlarmState(), state, Dual(),
                            m_everUp ? QStringLiteral("active when found again")
                                     : QStringLiteral("active at start"),
                            now));
        m_everUp = true;
        m_logged = state;
        m_loggedValid = true;
        m_seen.clear();
        CheckRoute();
    } else {
        Seen(state, now);
        if (NowMs() >= m_nextRouteCheck) {
            CheckRoute();
        }
    }
    const qint64 seconds = now.toSecsSinceEpoch();
    Publish([&state, seconds](DeviceSnapshot &s) {
        s.up = true;
        s.alarms = state;
        s.lastPollSuccess = seconds;
    });
}

void DeviceWatch::Seen(const AlarmState &state, const QDateTime &now)
{
    const qint64 ms = m_clock.elapsed();
    if (ms - m_switchedMs > kSeenGraceMs) {
        m_switched = AlarmState();
    }
    // A change seen before and now gone again: it was, so it is logged, and
    // its return is a change of its own.
    std::vector<SeenChange> back;
    for (auto i = m_seen.begin(); i != m_seen.end();) {
        if (BitOf(state, i->alarm) != i->on) {
            back.push_back(*i);
            i = m_seen.erase(i);
        } else {
            ++i;
        }
    }
    LogSeen(back);
    for (const AlarmBit &alarm : Differences(state, m_logged)) {
        const bool on = BitOf(state, alarm);
        if (BitOf(m_switched, alarm)) {
            SetBit(m_logged, alarm, on);  // a switch notification's bit, as it stands
        } else if (std::none_of(m_seen.cbegin(), m_seen.cend(),
                                [&alarm](const SeenChange &c) { return c.alarm == alarm; })) {
            m_seen.push_back({alarm, on, now, ms});
        }
    }
}

void DeviceWatch::Lost()
{
    m_loggedIn = false;  // the next step logs in again: it may be another unit by then
    LogSeen(-1);
    if (!m_up && m_lostLogged) {
        return;
    }
    m_up = false;
    m_lostLogged = true;
    Publish([](DeviceSnapshot &s) {
        s.up = false;
        s.alarms = AlarmState();
    });
    m_settings.say(QStringLiteral("%1 (%2): not answering for %3 s")
                       .arg(m_device.name, m_device.address)
                       .arg((m_clock.elapsed() - m_lastAnswerMs) / 1000.0, 0, 'f', 1),
                   true);
    Append({Event("Connection Lost", "Asserted")});
}

void DeviceWatch::CheckRoute()
{
    m_nextRouteCheck = NowMs() + kRouteCheckMs;
    const DeviceSession::NotificationRoute route =
        DeviceSession::FindNotificationRoute(m_session.Client());
    if (!route.read) {
        return;
    }
    const int ok = route.listed && route.port == m_settings.notifyPort ? 1 : 0;
    int before = -1;
    Publish([&](DeviceSnapshot &s) {
        before = s.routeOk;
        s.routeOk = ok;
    });
    if (ok == before) {
        return;
    }
    if (ok) {
        m_settings.say(QStringLiteral("%1 (%2): sends its notifications to this host (%3:%4)")
                           .arg(m_device.name, m_device.address, route.local)
                           .arg(route.port),
                       false);
    } else {
        const QString here = route.local.isEmpty() ? QStringLiteral("this host") : route.local;
        m_settings.say(QStringLiteral("%1 (%2): does not send its notifications to %3:%4; its "
                                      "alarms arrive only by polling until one of its "
                                      "destinations is set to it")
                           .arg(m_device.name, m_device.address, here)
                           .arg(m_settings.notifyPort),
                       true);
    }
}

void DeviceWatch::TakeEvents()
{
    std::deque<AlarmInfo> events;
    quint64 dropped = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        events.swap(m_incoming);
        std::swap(dropped, m_incomingDropped);
    }
    if (dropped > 0) {
        Overflowed(dropped);
    }
    const bool dual = Dual();
    const qint64 ms = m_clock.elapsed();
    for (const AlarmInfo &event : events) {
        AlarmState bits;
        const EventTouch touch = TouchedBy(event, dual, bits);
        std::vector<SeenChange> before;
        for (auto i = m_seen.begin(); touch != EventTouch::None && i != m_seen.end();) {
            if (!BitOf(bits, i->alarm)) {
                ++i;
                continue;
            }
            if (touch == EventTouch::Either) {
                SetBit(m_logged, i->alarm, i->on);  // told of, as far as it tells
            } else if ((touch == EventTouch::Raise) != i->on) {
                before.push_back(*i);  // this tells of the change back
            }
            i = m_seen.erase(i);
        }
        LogSeen(before);
        if (touch == EventTouch::Either) {
            m_switched = CombineAlarms(m_switched, bits, {}, [](auto a, auto b, auto) {
                return static_cast<decltype(a)>(a | b);
            });
            m_switchedMs = ms;
        }
        if (m_loggedValid) {
            ApplyEvent(event, dual, m_logged);
        }
        Append({event});
    }
    LogSeen(ms - kSeenGraceMs);
}

void DeviceWatch::LogSeen(qint64 ms)
{
    std::vector<SeenChange> due;
    for (auto i = m_seen.begin(); i != m_seen.end();) {
        if (ms < 0 || i->ms <= ms) {
            due.push_back(*i);
            i = m_seen.erase(i);
        } else {
            ++i;
        }
    }
    LogSeen(due);
}

void DeviceWatch::LogSeen(const std::vector<SeenChange> &changes)
{
    if (changes.empty()) {
        return;
    }
    AlarmState after = m_logged;
    QDateTime time = changes.front().time;
    for (const SeenChange &change : changes) {
        SetBit(after, change.alarm, change.on);
        time = qMin(time, change.time);
    }
    Append(AlarmChanges(m_logged, after, Dual(), QStringLiteral("seen by polling"), time));
    m_logged = after;
}

void DeviceWatch::Overflowed(quint64 dropped)
{
    m_episodeDropped += dropped;
    if (!m_overflowSaid) {
        m_overflowSaid = true;
        m_settings.say(QStringLiteral("%1: %2 alarm log rows wait to be written; the oldest "
                                      "are dropped from now on")
                           .arg(m_device.name)
                           .arg(kMaxPendingRows),
                       true);
    }
    Publish([dropped](DeviceSnapshot &s) { s.rowsDropped += dropped; });
}

void DeviceWatch::Append(const QVector<AlarmInfo> &rows)
{
    quint64 dropped = 0;
    for (const AlarmInfo &row : rows) {
        m_rows.push_back(row);
        if (m_rows.size() > size_t(kMaxPendingRows)) {
            m_rows.pop_front();
            ++dropped;
        }
    }
    if (dropped > 0) {
        Overflowed(dropped);
    }
}

void DeviceWatch::Flush()
{
    TakeEvents();
    LogSeen(-1);
    WriteRows();
    if (!m_rows.empty()) {
        m_settings.say(QStringLiteral("%1: %2 alarm log row(s) could not be written and are lost")
                           .arg(m_device.name)
                           .arg(m_rows.size()),
                       true);
    }
}

void DeviceWatch::WriteRows()
{
    quint64 written = 0;
    bool failed = false;
    while (!m_rows.empty()) {
        const AlarmInfo &info = m_rows.front();
        const QDate day = info.time.date();
        const QString path = LogPath(day);
        QString why;
        // The folder and the count are taken again after a failure: the
        // folder may have gone, the file may have been changed meanwhile.
        if (day != m_day || !m_counted) {
            const QString folder = QFileInfo(path).path();
            if (!QDir().mkpath(folder)) {
                why = QStringLiteral("the folder %1 cannot be created").arg(folder);
            } else {
                m_day = day;
                m_counted = true;
                m_rowsInFile = RowsIn(path);
            }
        }
        if (why.isEmpty()) {
            const AlarmCsv::Row row = {QString::number(m_rowsInFile + 1),
                                       info.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                       info.input,
                                       info.alarmType,
                                       info.alarmStatus,
                                       info.notes};
            if (AlarmCsv::AppendRow(path, m_preamble, row, &why)) {
                ++m_rowsInFile;
                ++written;
                m_rows.pop_front();
                continue;
            }
        }
        failed = true;
        m_counted = false;
        if (!m_writeFailing) {
            m_writeFailing = true;
            m_settings.say(QStringLiteral("%1: %2 cannot be written (%3); its rows wait and are "
                                          "tried again at every poll")
                               .arg(m_device.name, path, why),
                           true);
        }
        break;
    }
    if (!failed && m_writeFailing && m_rows.empty()) {
        m_writeFailing = false;
        m_overflowSaid = false;
        m_settings.say(
            QStringLiteral("%1: its alarm log is written again; %2")
                .arg(
                    m_device.name,
                    m_episodeDropped == 0
                        ? QStringLiteral("every row that waited is in it")
                        : QStringLiteral("%1 row(s) were dropped meanwhile").arg(m_episodeDropped)),
            false);
        m_episodeDropped = 0;
    }
    const quint64 pending = m_rows.size();
    if (written > 0 || failed || pending != m_publishedPending) {
        m_publishedPending = pending;
        Publish([&](DeviceSnapshot &s) {
            s.events += written;
            s.writeFailures += failed ? pending : 0;  // each waiting row was tried
            s.pendingRows = pending;
        });
    }
}
