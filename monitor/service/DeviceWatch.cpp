#include "DeviceWatch.h"

#include "DeviceTables.h"
#include "Exposition.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {
constexpr int kLoginRetryMs = 5000;
constexpr qint64 kRouteCheckMs = 60000;
const QVector<quint8> kAllInputs = {0, 1, 2, 3};

QString UserName(int user)
{
    return user == Session::kGuest ? QStringLiteral("guest") : QStringLiteral("admin");
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
}  // namespace

DeviceWatch::DeviceWatch(const MonitorDevice &device, const WatchSettings &settings,
                         NoticesServer *server)
    : m_device(device),
      m_settings(settings),
      m_server(server),
      m_session(settings.timings),
      m_drift(settings.snapshotMs, settings.journal, settings.say)
{
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
        m_pending.push_back(info);
    }
    Wake();
}

void DeviceWatch::Step()
{
    WriteRows();
    if (!m_loggedIn) {
        if (!LogIn()) {
            WriteRows();
            Pause(kLoginRetryMs);
            return;
        }
    } else {
        bool answering = ReadAlarms();
        if (!answering && !m_up && m_session.Client().Login() == 0) {
            // Back: it may be another unit at the same address by now.
            ReadIdentity();
            answering = ReadAlarms();
        }
        if (answering != m_up) {
            Changed(answering);
        } else if (answering && NowMs() >= m_nextRouteCheck) {
            CheckRoute();
        }
        if (m_up) {
            JournalContext context = LocalJournalContext(QStringLiteral("qvt-monitord"));
            context.deviceSerial = m_preamble.productSN;
            context.deviceAddress = m_device.address;
            context.deviceModel = m_preamble.moduleType;
            context.loginUser = UserName(m_device.user);
            m_drift.Step(m_session.Client(), m_session.ProductType(), context);
        }
    }
    WriteRows();
    Pause(m_settings.pollMs);
}

void DeviceWatch::Finished()
{
    m_drift.Close();  // its journal belongs to this thread
}

void DeviceWatch::Changed(bool answering)
{
    m_up = answering;
    if (!answering) {
        Publish([](DeviceSnapshot &s) {
            s.up = false;
            s.alarms = AlarmState();
        });
    }
    m_settings.say(
        QStringLiteral("%1 (%2): %3")
            .arg(m_device.name, m_device.address,
                 answering ? QStringLiteral("answering again") : QStringLiteral("not answering")),
        !answering);
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.alarmType = QStringLiteral("Connection Lost");
    info.alarmStatus = answering ? QStringLiteral("Cleared") : QStringLiteral("Asserted");
    Log(info);
    if (answering) {
        CheckRoute();
    }
}

bool DeviceWatch::LogIn()
{
    using Outcome = DeviceSession::LoginOutcome;
    const Outcome outcome = m_session.LogIn(m_device.address, m_device.user, m_device.password);
    if (outcome != Outcome::LoggedIn) {
        // Closing detached the route: the device's datagrams are still its own.
        m_server->Attach(&m_session.Notices(), m_device.address, m_snapshot.productType);
        if (m_failedLogins++ == 0) {
            const char *why = outcome == Outcome::Refused     ? "refused the login as %3"
                              : outcome == Outcome::Upgrading ? "is upgrading its firmware"
                                                              : "does not answer";
            m_settings.say(QStringLiteral("%1 (%2): %3; trying again every %4 s")
                               .arg(m_device.name, m_device.address,
                                    QString::fromLatin1(why).arg(UserName(m_device.user)))
                               .arg(kLoginRetryMs / 1000),
                           true);
        }
        return false;
    }
    m_failedLogins = 0;
    m_loggedIn = true;
    ReadIdentity();
    m_settings.say(
        QStringLiteral("%1 (%2): logged in as %3: %4, serial %5, firmware %6")
            .arg(m_device.name, m_device.address, UserName(m_device.user), m_preamble.moduleType,
                 m_preamble.productSN, m_preamble.firmwareVersion),
        false);
    // A device that logs in but does not report its alarms counts as lost
    // from the start, and is logged when it does.
    m_up = ReadAlarms();
    if (m_up) {
        CheckRoute();
    } else {
        Changed(false);
    }
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

bool DeviceWatch::ReadAlarms()
{
    AlarmState state;
    if (m_session.Client().GetAlarmInfo(kAllInputs, state.video, state.lost, state.silent,
                                        state.system) != 0 ||
        state.video.size() < kInputCount || state.lost.size() < kInputCount ||
        state.silent.size() < kInputCount) {
        return false;
    }
    // The receiver names the next notification's channels from these masks.
    m_session.Notices().Masks().Store(state.lost, state.silent);
    Publish([&state](DeviceSnapshot &s) {
        s.up = true;
        s.alarms = state;
    });
    return true;
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

void DeviceWatch::Log(const AlarmInfo &info)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pending.push_back(info);
    }
    WriteRows();
}

void DeviceWatch::Flush()
{
    WriteRows();
}

void DeviceWatch::WriteRows()
{
    std::vector<AlarmInfo> rows;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        rows.swap(m_pending);
    }
    if (rows.empty()) {
        return;
    }
    for (const AlarmInfo &info : rows) {
        const QDate day = info.time.date();
        if (day != m_day) {
            m_day = day;
            QDir().mkpath(QDir(m_settings.logsDir).filePath(m_device.name));
            m_rowsInFile = RowsIn(LogPath(day));
        }
        const AlarmCsv::Row row = {QString::number(m_rowsInFile + 1),
                                   info.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                   info.input,
                                   info.alarmType,
                                   info.alarmStatus,
                                   info.notes};
        QString why;
        if (AlarmCsv::AppendRow(LogPath(day), m_preamble, row, &why)) {
            ++m_rowsInFile;
        } else {
            m_settings.say(
                QStringLiteral("%1: %2 could not be written (%3): %4 %5 is lost")
                    .arg(m_device.name, LogPath(day), why, info.alarmType, info.alarmStatus),
                true);
        }
    }
    Publish([&rows](DeviceSnapshot &s) { s.events += rows.size(); });
}

template <class Change>
void DeviceWatch::Publish(Change &&change)
{
    std::lock_guard<std::mutex> lock(m_lock);
    change(m_snapshot);
    Render();
}

// Under m_lock (or before the thread starts). Only the families whose
// values changed since the last rendering are written again: a notification
// storm changes one alarm at a time, and the audio family alone is 128 lines.
void DeviceWatch::Render()
{
    const DeviceSnapshot &s = m_snapshot;
    const DeviceSnapshot &was = m_rendered;
    const bool all = !m_renderedOnce;
    const bool alarmsShown = all || s.up != was.up || s.productType != was.productType;
    const QByteArray device = "device=\"" + Exposition::EscapeLabelValue(s.name) + '"';
    MetricLines &l = m_lines;
    if (all || s.up != was.up) {
        l[kUp] = "qvt_up{" + device + "} " + (s.up ? "1" : "0") + '\n';
    }
    if (all || s.model != was.model || s.serial != was.serial || s.firmware != was.firmware) {
        l[kInfo].clear();
        if (!s.model.isEmpty()) {
            l[kInfo] = "qvt_device_info{" + device + ",address=\"" +
                       Exposition::EscapeLabelValue(s.address) + "\",model=\"" +
                       Exposition::EscapeLabelValue(s.model) + "\",serial=\"" +
                       Exposition::EscapeLabelValue(s.serial) + "\",firmware=\"" +
                       Exposition::EscapeLabelValue(s.firmware) + "\"} 1\n";
        }
    }
    if (all || s.events != was.events) {
        l[kEvents] =
            "qvt_alarm_events_total{" + device + "} " + QByteArray::number(s.events) + '\n';
    }
    if (all || s.routeOk != was.routeOk) {
        l[kRouteOk].clear();
        if (s.routeOk >= 0) {
            l[kRouteOk] =
                "qvt_notification_route_ok{" + device + "} " + QByteArray::number(s.routeOk) + '\n';
        }
    }
    const bool dual = IsDual(s.productType);
    // No alarm series for a device that does not answer.
    if (alarmsShown || s.alarms.video != was.alarms.video) {
        l[kVideoAlarm].clear();
        for (int i = 0; s.up && i < kInputCount; ++i) {
            const QByteArray input =
                device + ",input=\"" + EventInputName(i, dual).toLatin1() + "\",alarm=\"";
            for (int bit = 0; bit < kVideoAlarmKinds; ++bit) {
                l[kVideoAlarm] += "qvt_video_alarm{" + input + kVideoAlarmNames[bit] + "\"} " +
                                  ((s.alarms.video.value(i) >> bit) & 1 ? "1\n" : "0\n");
            }
        }
    }
    if (alarmsShown || s.alarms.lost != was.alarms.lost || s.alarms.silent != was.alarms.silent) {
        l[kAudioAlarm].clear();
        for (int i = 0; s.up && i < kInputCount; ++i) {
            const QByteArray input =
                device + ",input=\"" + EventInputName(i, dual).toLatin1() + "\",alarm=\"";
            const QPair<quint16, const char *> audio[] = {
                {s.alarms.lost.value(i), "Audio Lost"}, {s.alarms.silent.value(i), "Audio Silent"}};
            for (const auto &kind : audio) {
                for (int k = 0; k < kAudioChannels; ++k) {
                    l[kAudioAlarm] += "qvt_audio_alarm{" + input + kind.second + "\",channel=\"" +
                                      QByteArray::number(k + 1) + "\"} " +
                                      ((kind.first >> k) & 1 ? "1\n" : "0\n");
                }
            }
        }
    }
    if (alarmsShown || s.alarms.system != was.alarms.system) {
        l[kSystemAlarm].clear();
        for (int bit = 0; s.up && bit < kSystemAlarmBits; ++bit) {
            const QString name = SystemAlarmName(bit, dual);
            if (!name.isEmpty()) {
                l[kSystemAlarm] += "qvt_system_alarm{" + device + ",alarm=\"" +
                                   Exposition::EscapeLabelValue(name) + "\"} " +
                                   ((s.alarms.system >> bit) & 1 ? "1\n" : "0\n");
            }
        }
    }
    m_rendered = s;
    m_renderedOnce = true;
}
