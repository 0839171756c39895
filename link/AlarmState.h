#pragma once

#include "LinkTypes.h"
#include "NoticeMessages.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// A device's active alarms as GetAlarmInfo reports them for its four inputs.
struct AlarmState {
    QVector<AlarmType> video;  // per input: bit 0 signal lost ... bit 4 video frozen
    QVector<quint16> lost;     // per input: audio lost, one bit per channel
    QVector<quint16> silent;   // per input: audio silent, one bit per channel
    SystemAlarm system = 0;    // bit per system alarm (DeviceTables' entries)
};

// One active alarm as the tools list it: the input as the alarm log names it
// (empty for a system alarm) and the alarm ("Video Black", "Audio Lost Ch3",
// "PS1 Fail").
struct ActiveAlarm {
    QString input;
    QString alarm;    // as the status board shows it: "Audio Lost Ch3"
    QString kind;     // without the channel: "Audio Lost"
    int channel = 0;  // 1-16 for an audio alarm, else 0
};

// Every active alarm of `state`, input by input, then the system alarms that
// the model has. `dual`: the dual 2x1 model.
QVector<ActiveAlarm> ActiveAlarms(const AlarmState &state, bool dual);

// The alarm log's rows that take a device from `before` to `after`, named as
// its notifications name them: one per video or system alarm that changed,
// and per input and audio kind one for the channels raised and one for those
// cleared (their channel list, then `notes`, in the notes). Every row carries
// `time` and, where a notification has none, `notes`. A missing entry of
// either state counts as no alarm.
QVector<AlarmInfo> AlarmChanges(const AlarmState &before, const AlarmState &after, bool dual,
                                const QString &notes, const QDateTime &time);

// Which alarm bits a notification's row is about (into `bits`), and what it
// says of them: raised, cleared, or changed either way (a switch of the
// output or of the genlocking source names where it went, not the state of
// its status bit); None for a row about no alarm (a connection event, an
// unknown code, an audio row that changed no channel).
enum class EventTouch { None, Raise, Clear, Either };
EventTouch TouchedBy(const AlarmInfo &event, bool dual, AlarmState &bits);

// What a notification's row says of the device's alarms, into `state`; false
// when it says nothing certain of them. The inverse of AlarmChanges.
bool ApplyEvent(const AlarmInfo &event, bool dual, AlarmState &state);

// One alarm of a device: a video alarm of an input, one channel's audio lost
// or silent alarm of an input, or a system alarm (input 0).
struct AlarmBit {
    enum Field { Video, Lost, Silent, System } field;
    int input;
    int bit;
};
inline bool operator==(const AlarmBit &a, const AlarmBit &b)
{
    return a.field == b.field && a.input == b.input && a.bit == b.bit;
}
bool BitOf(const AlarmState &state, const AlarmBit &alarm);
void SetBit(AlarmState &state, const AlarmBit &alarm, bool on);
// The alarms in which `a` and `b` differ.
QVector<AlarmBit> Differences(const AlarmState &a, const AlarmState &b);

// Per field and bit, f(a, b, c) over three states of four inputs each.
template <class F>
AlarmState CombineAlarms(const AlarmState &a, const AlarmState &b, const AlarmState &c, F f)
{
    AlarmState out;
    for (int i = 0; i < kInputCount; ++i) {
        out.video.append(AlarmType(f(a.video.value(i), b.video.value(i), c.video.value(i))));
        out.lost.append(quint16(f(a.lost.value(i), b.lost.value(i), c.lost.value(i))));
        out.silent.append(quint16(f(a.silent.value(i), b.silent.value(i), c.silent.value(i))));
    }
    out.system = SystemAlarm(f(a.system, b.system, c.system));
    return out;
}

bool operator==(const AlarmState &a, const AlarmState &b);
