// The metric lines of one device: each family declared once, rendered
// from the device's snapshot when its values change.

#include "DeviceWatch.h"

#include "DeviceTables.h"
#include "Exposition.h"

#include <algorithm>
#include <iterator>

const MetricHead kDeviceFamilies[kFamilyCount] = {
    {"qvt_up", "gauge",
     "1 while the service is logged in to the device and it answers (or has been silent for "
     "less than down-after), else 0."},
    {"qvt_device_info", "gauge", "The device's identity as it reports it; always 1."},
    {"qvt_video_alarm", "gauge", "1 while the video alarm is active on the input."},
    {"qvt_audio_alarm", "gauge", "1 while the audio alarm is active on the input's channel."},
    {"qvt_system_alarm", "gauge", "1 while the system alarm is active."},
    {"qvt_alarm_events_total", "counter",
     "Rows written to the device's alarm log: notifications, changes seen by polling, "
     "alarms active at start or when found again, the connection lost or cleared."},
    {"qvt_notification_route_ok", "gauge",
     "1 when this host, on the port the service listens on, is one of the device's "
     "notification destinations."},
    {"qvt_poll_failures_total", "counter",
     "Polls of the device's alarms that it left unanswered (the request and its resend)."},
    {"qvt_last_poll_success_timestamp_seconds", "gauge",
     "Unix time of the last poll the device answered."},
    {"qvt_login_failures_total", "counter",
     "Logins that failed: refused (wrong user or password), no_answer, or upgrading (the "
     "device runs its update loader)."},
    {"qvt_alarm_log_write_failures_total", "counter",
     "Alarm log rows whose write failed, once per row and try; they wait and are tried again."},
    {"qvt_alarm_log_pending_rows", "gauge", "Alarm log rows waiting to be written."},
    {"qvt_alarm_log_rows_dropped_total", "counter",
     "Alarm log rows dropped, oldest first, because too many were waiting to be written."},
};

namespace {
const char *const kLoginReasons[3] = {"refused", "no_answer", "upgrading"};
}  // namespace

// Under m_lock (or before the thread starts). Only the families whose
// values changed since the last rendering are written again: a notification
// storm changes one alarm at a time, and the audio family alone is 128 lines.
// The order of the families is MetricKind's, their texts kDeviceFamilies'.
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
    if (all || s.pollFailures != was.pollFailures) {
        l[kPollFailures] =
            "qvt_poll_failures_total{" + device + "} " + QByteArray::number(s.pollFailures) + '\n';
    }
    if (all || s.lastPollSuccess != was.lastPollSuccess) {
        l[kLastPollSuccess].clear();
        if (s.lastPollSuccess > 0) {
            l[kLastPollSuccess] = "qvt_last_poll_success_timestamp_seconds{" + device + "} " +
                                  QByteArray::number(s.lastPollSuccess) + '\n';
        }
    }
    if (all || !std::equal(std::begin(s.loginFailures), std::end(s.loginFailures),
                           std::begin(was.loginFailures))) {
        l[kLoginFailures].clear();
        for (int reason = 0; reason < 3; ++reason) {
            l[kLoginFailures] += "qvt_login_failures_total{" + device + ",reason=\"" +
                                 kLoginReasons[reason] + "\"} " +
                                 QByteArray::number(s.loginFailures[reason]) + '\n';
        }
    }
    if (all || s.writeFailures != was.writeFailures) {
        l[kWriteFailures] = "qvt_alarm_log_write_failures_total{" + device + "} " +
                            QByteArray::number(s.writeFailures) + '\n';
    }
    if (all || s.pendingRows != was.pendingRows) {
        l[kPendingRows] = "qvt_alarm_log_pending_rows{" + device + "} " +
                          QByteArray::number(s.pendingRows) + '\n';
    }
    if (all || s.rowsDropped != was.rowsDropped) {
        l[kRowsDropped] = "qvt_alarm_log_rows_dropped_total{" + device + "} " +
                          QByteArray::number(s.rowsDropped) + '\n';
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
                l[kVideoAlarm] += "qvt_video_alarm{" + input + VideoAlarmName(bit) + "\"} " +
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
                {s.alarms.lost.value(i), AudioAlarmName(0)},
                {s.alarms.silent.value(i), AudioAlarmName(1)}};
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
