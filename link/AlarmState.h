#pragma once

#include "LinkTypes.h"

#include <QString>
#include <QVector>

// A device's active alarms as GetAlarmInfo reports them for its four inputs.
struct AlarmState {
    QVector<AlarmType> video;  // per input: bit 0 signal lost ... bit 4 video frozen
    QVector<quint16> lost;     // per input: audio lost, one bit per channel
    QVector<quint16> silent;   // per input: audio silent, one bit per channel
    SystemAlarm system = 0;    // bit per system alarm (DeviceTables' entries)
};

// The five video alarms by bit, in English as the alarm log names them.
constexpr int kVideoAlarmKinds = 5;
extern const char *const kVideoAlarmNames[kVideoAlarmKinds];

// One active alarm as the tools list it: the input as the alarm log names it
// (empty for a system alarm) and the alarm ("Video Black", "Audio Lost Ch3",
// "PS1 Fail").
struct ActiveAlarm {
    QString input;
    QString alarm;
};

// Every active alarm of `state`, input by input, then the system alarms that
// the model has. `dual`: the dual 2x1 model.
QVector<ActiveAlarm> ActiveAlarms(const AlarmState &state, bool dual);
