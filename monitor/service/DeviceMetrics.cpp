// The metric lines of one device: each family declared once, rendered
// from the device's snapshot when its values change.

#include "DeviceWatch.h"

#include "DeviceTables.h"
#include "Exposition.h"

#include <algorithm>
#include <iterator>

// Unsized: a family missing here, against MetricKind, conflicts with the header.
const Exposition::Family kDeviceFamilies[] = {
    {"qvt_up",
     "gauge",
     "1 while the service is logged in to the device and it answers (or has been silent for "
     "less than down-after), else 0.",
     {"device"}},
    {"qvt_device_info",
     "gauge",
     "The device's identity as it reports it; always 1.",
     {"device", "address", "model", "serial", "firmware"}},
    {"qvt_video_alarm",
     "gauge",
     "1 while the video alarm is active on the input.",
     {"device", "input", "alarm"}},
    {"qvt_audio_alarm",
     "gauge",
     "1 while the audio alarm is active on the input's channel.",
     {"device", "input", "alarm", "channel"}},
    {"qvt_system_alarm", "gauge", "1 while the system alarm is active.", {"device", "alarm"}},
    {"qvt_alarm_events_total",
     "counter",
     "Rows written to the device's alarm log: notifications, changes seen by polling, "
     "alarms active at start or when found again, the connection lost or cleared.",
     {"device"}},
    {"qvt_notification_route_ok",
     "gauge",
     "1 when this host, on the port the service listens on, is one of the device's "
     "notification destinations.",
     {"device"}},
    {"qvt_poll_failures_total",
     "counter",
     "Polls of the device's alarms that it left unanswered (the request and its resend).",
     {"device"}},
    {"qvt_last_poll_success_timestamp_seconds",
     "gauge",
     "Unix time of the last poll the device answered.",
     {"device"}},
    {"qvt_login_failures_total",
     "counter",
     "Logins that failed: refused (wrong user or password), no_answer, or upgrading (the "
     "device runs its update loader).",
     {"device", "reason"}},
    {"qvt_alarm_log_write_failures_total",
     "counter",
     "Alarm log rows whose write failed, once per row and try; they wait and are tried again.",
     {"device"}},
    {"qvt_alarm_log_pending_rows", "gauge", "Alarm log rows waiting to be written.", {"device"}},
    {"qvt_alarm_log_rows_dropped_total",
     "counter",
     "Alarm log rows dropped, oldest first, because too many were waiting to be written.",
     {"device"}},
    {"qvt_pending_confirmations",
     "gauge",
     "Changes written with --confirm-within that await their confirmation.",
     {"device"}},
    {"qvt_confirmations_reverted_total",
     "counter",
     "Changes this service reverted because they were not confirmed by their deadline.",
     {"device"}},
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
    const QByteArray device = Exposition::EscapeLabelValue(s.name);
    MetricLines &l = m_lines;
    const auto one = [&](MetricKind kind, bool changed, bool shown, const QByteArray &value) {
        if (all || changed) {
            l[kind].clear();
            if (shown) {
                kDeviceFamilies[kind].Sample(l[kind], {device}, value);
            }
        }
    };
    one(kUp, s.up != was.up, true, s.up ? "1" : "0");
    if (all || s.model != was.model || s.serial != was.serial || s.firmware != was.firmware) {
        l[kInfo].clear();
        if (!s.model.isEmpty()) {
            kDeviceFamilies[kInfo].Sample(
                l[kInfo],
                {device, Exposition::EscapeLabelValue(s.address),
                 Exposition::EscapeLabelValue(s.model), Exposition::EscapeLabelValue(s.serial),
                 Exposition::EscapeLabelValue(s.firmware)},
                "1");
        }
    }
    one(kEvents, s.events != was.events, true, QByteArray::number(s.events));
    one(kPollFailures, s.pollFailures != was.pollFailures, true,
        QByteArray::number(s.pollFailures));
    one(kLastPollSuccess, s.lastPollSuccess != was.lastPollSuccess, s.lastPollSuccess > 0,
        QByteArray::number(s.lastPollSuccess));
    if (all || !std::equal(std::begin(s.loginFailures), std::end(s.loginFailures),
                           std::begin(was.loginFailures))) {
        l[kLoginFailures].clear();
        for (int reason = 0; reason < 3; ++reason) {
            kDeviceFamilies[kLoginFailures].Sample(l[kLoginFailures],
                                                   {device, kLoginReasons[reason]},
                                                   QByteArray::number(s.loginFailures[reason]));
        }
    }
    one(kWriteFailures, s.writeFailures != was.writeFailures, true,
        QByteArray::number(s.writeFailures));
    one(kPendingRows, s.pendingRows != was.pendingRows, true, QByteArray::number(s.pendingRows));
    one(kRowsDropped, s.rowsDropped != was.rowsDropped, true, QByteArray::number(s.rowsDropped));
    one(kRouteOk, s.routeOk != was.routeOk, s.routeOk >= 0, QByteArray::number(s.routeOk));
    one(kPendingConfirmations, s.pendingConfirmations != was.pendingConfirmations, true,
        QByteArray::number(s.pendingConfirmations));
    one(kConfirmationsReverted, s.confirmationsReverted != was.confirmationsReverted, true,
        QByteArray::number(s.confirmationsReverted));

    const bool dual = IsDual(s.productType);
    const QByteArray on = "1", off = "0";
    // No alarm series for a device that does not answer.
    if (alarmsShown || s.alarms.video != was.alarms.video) {
        l[kVideoAlarm].clear();
        for (int i = 0; s.up && i < kInputCount; ++i) {
            const QByteArray input = EventInputName(i, dual).toLatin1();
            for (int bit = 0; bit < kVideoAlarmKinds; ++bit) {
                kDeviceFamilies[kVideoAlarm].Sample(
                    l[kVideoAlarm], {device, input, VideoAlarmName(bit)},
                    (s.alarms.video.value(i) >> bit) & 1 ? on : off);
            }
        }
    }
    if (alarmsShown || s.alarms.lost != was.alarms.lost || s.alarms.silent != was.alarms.silent) {
        l[kAudioAlarm].clear();
        static const QByteArray kChannels[kAudioChannels] = {
            "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"};
        for (int i = 0; s.up && i < kInputCount; ++i) {
            const QByteArray input = EventInputName(i, dual).toLatin1();
            const QPair<quint16, QByteArray> audio[] = {
                {s.alarms.lost.value(i), AudioAlarmName(0)},
                {s.alarms.silent.value(i), AudioAlarmName(1)}};
            for (const auto &kind : audio) {
                for (int k = 0; k < kAudioChannels; ++k) {
                    kDeviceFamilies[kAudioAlarm].Sample(l[kAudioAlarm],
                                                        {device, input, kind.second, kChannels[k]},
                                                        (kind.first >> k) & 1 ? on : off);
                }
            }
        }
    }
    if (alarmsShown || s.alarms.system != was.alarms.system) {
        l[kSystemAlarm].clear();
        for (int bit = 0; s.up && bit < kSystemAlarmBits; ++bit) {
            const QString name = SystemAlarmName(bit, dual);
            if (!name.isEmpty()) {
                kDeviceFamilies[kSystemAlarm].Sample(l[kSystemAlarm],
                                                     {device, Exposition::EscapeLabelValue(name)},
                                                     (s.alarms.system >> bit) & 1 ? on : off);
            }
        }
    }
    const bool stateChanged =
        s.up != was.up || s.alarms.video != was.alarms.video || s.alarms.lost != was.alarms.lost ||
        s.alarms.silent != was.alarms.silent || s.alarms.system != was.alarms.system;
    m_rendered = s;
    m_renderedOnce = true;
    if (stateChanged && m_settings.changed) {
        m_settings.changed();
    }
}
