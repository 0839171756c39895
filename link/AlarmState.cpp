#include "AlarmState.h"

#include "DeviceTables.h"
#include "NoticesServer.h"

const char *const kVideoAlarmNames[kVideoAlarmKinds] = {
    "Signal Lost", "Signal Format Error", "Signal Sync Failed", "Video Black", "Video Frozen"};

QVector<ActiveAlarm> ActiveAlarms(const AlarmState &state, bool dual)
{
    QVector<ActiveAlarm> alarms;
    for (int i = 0; i < kInputCount; ++i) {
        const QString input = EventInputName(i, dual);
        for (int bit = 0; bit < kVideoAlarmKinds; ++bit) {
            if (state.video.value(i) & (1u << bit)) {
                alarms.append({input, QLatin1String(kVideoAlarmNames[bit])});
            }
        }
        const QPair<quint16, const char *> audio[] = {{state.lost.value(i), "Audio Lost"},
                                                      {state.silent.value(i), "Audio Silent"}};
        for (const auto &kind : audio) {
            for (int k = 0; k < kAudioChannels; ++k) {
                if (kind.first & (1u << k)) {
                    alarms.append(
                        {input,
                         QStringLiteral("%1 Ch%2").arg(QLatin1String(kind.second)).arg(k + 1)});
                }
            }
        }
    }
    for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
        const QString name = SystemAlarmName(bit, dual);
        if ((state.system & (1u << bit)) && !name.isEmpty()) {
            alarms.append({QString(), name});
        }
    }
    return alarms;
}
