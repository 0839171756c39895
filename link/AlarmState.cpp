#include "AlarmState.h"

#include "DeviceTables.h"
#include "NoticesServer.h"

QVector<ActiveAlarm> ActiveAlarms(const AlarmState &state, bool dual)
{
    QVector<ActiveAlarm> alarms;
    for (int i = 0; i < kInputCount; ++i) {
        const QString input = EventInputName(i, dual);
        for (int bit = 0; bit < kVideoAlarmKinds; ++bit) {
            if (state.video.value(i) & (1u << bit)) {
                const QString name = QLatin1String(VideoAlarmName(bit));
                alarms.append({input, name, name, 0});
            }
        }
        const QPair<quint16, const char *> audio[] = {{state.lost.value(i), AudioAlarmName(0)},
                                                      {state.silent.value(i), AudioAlarmName(1)}};
        for (const auto &kind : audio) {
            for (int k = 0; k < kAudioChannels; ++k) {
                if (kind.first & (1u << k)) {
                    const QString name = QLatin1String(kind.second);
                    alarms.append(
                        {input, QStringLiteral("%1 Ch%2").arg(name).arg(k + 1), name, k + 1});
                }
            }
        }
    }
    for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
        const QString name = SystemAlarmName(bit, dual);
        if ((state.system & (1u << bit)) && !name.isEmpty()) {
            alarms.append({QString(), name, name, 0});
        }
    }
    return alarms;
}

namespace {
const char kAsserted[] = "Asserted";
const char kCleared[] = "Cleared";

// A switch of the output or of the genlocking source names where it went,
// not whether its status bit is now set: the codes whose value is a place.
bool NamesWhereItWent(const char *alarm)
{
    for (quint32 c = 1; const NoticeCode *code = FindNoticeCode(c); ++c) {
        if ((code->value == NoticeValue::Source || code->value == NoticeValue::GroupInput) &&
            QLatin1String(alarm).endsWith(SystemAlarmName(code->systemBit, false))) {
            return true;
        }
    }
    return false;
}

// A system alarm's bits outside the groups: the genlock and the two supplies.
bool Ungrouped(int bit)
{
    return bit == 0 || bit == 15 || bit == 16;
}

// How a notification names the system alarm at `bit`: its input column and
// its alarm type. On the dual model the status board's "Group B Output
// Switched" is "Output Switched" of "Group B".
QPair<QString, QString> SystemEventName(int bit, bool dual)
{
    const QString name = SystemAlarmName(bit, dual);
    if (Ungrouped(bit)) {
        return {QString(), name};
    }
    if (!dual) {
        return {QStringLiteral("Group A"), name};
    }
    const int split = name.indexOf(QLatin1Char(' '), 6);  // after "Group X"
    return {name.left(split), name.mid(split + 1)};
}

QString Channels(quint16 mask)
{
    QString text;
    for (int k = 0; k < kAudioChannels; ++k) {
        if (mask & (1u << k)) {
            text += QStringLiteral("Ch%1 ").arg(k + 1);
        }
    }
    return text;
}

quint16 ChannelMask(const QString &notes)
{
    quint16 mask = 0;
    for (const QString &item : notes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int channel = item.startsWith(QLatin1String("Ch")) ? item.mid(2).toInt(&ok) : 0;
        if (ok && channel >= 1 && channel <= kAudioChannels) {
            mask = quint16(mask | (1u << (channel - 1)));
        }
    }
    return mask;
}

int InputIndex(const QString &name, bool dual)
{
    for (int i = 0; i < kInputCount; ++i) {
        if (EventInputName(i, dual) == name) {
            return i;
        }
    }
    return -1;
}

template <class Word>
void Set(QVector<Word> &words, int i, Word bits, bool on)
{
    while (words.size() < kInputCount) {
        words.append(0);
    }
    words[i] = on ? Word(words[i] | bits) : Word(words[i] & ~bits);
}
}  // namespace

bool operator==(const AlarmState &a, const AlarmState &b)
{
    bool same = a.system == b.system;
    for (int i = 0; same && i < kInputCount; ++i) {
        same = a.video.value(i) == b.video.value(i) && a.lost.value(i) == b.lost.value(i) &&
               a.silent.value(i) == b.silent.value(i);
    }
    return same;
}

QVector<AlarmInfo> AlarmChanges(const AlarmState &before, const AlarmState &after, bool dual,
                                const QString &notes, const QDateTime &time)
{
    QVector<AlarmInfo> rows;
    const auto row = [&](const QString &input, const QString &type, bool on, const QString &note) {
        AlarmInfo info;
        info.time = time;
        info.input = input;
        info.alarmType = type;
        info.alarmStatus = QLatin1String(on ? kAsserted : kCleared);
        info.notes = note;
        rows.append(info);
    };
    for (int i = 0; i < kInputCount; ++i) {
        const QString input = EventInputName(i, dual);
        const AlarmType video = before.video.value(i) ^ after.video.value(i);
        for (int bit = 0; bit < kVideoAlarmKinds; ++bit) {
            if (video & (1u << bit)) {
                row(input, QLatin1String(VideoAlarmName(bit)), after.video.value(i) & (1u << bit),
                    notes);
            }
        }
        const QPair<quint16, quint16> audio[2] = {{before.lost.value(i), after.lost.value(i)},
                                                  {before.silent.value(i), after.silent.value(i)}};
        for (int kind = 0; kind < 2; ++kind) {
            const quint16 changed = audio[kind].first ^ audio[kind].second;
            const quint16 raised = changed & audio[kind].second;
            const quint16 cleared = changed & ~audio[kind].second;
            if (raised) {
                row(input, QLatin1String(AudioAlarmName(kind)), true, Channels(raised) + notes);
            }
            if (cleared) {
                row(input, QLatin1String(AudioAlarmName(kind)), false, Channels(cleared) + notes);
            }
        }
    }
    for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
        if (((before.system ^ after.system) & (1u << bit)) &&
            !SystemAlarmName(bit, dual).isEmpty()) {
            const QPair<QString, QString> name = SystemEventName(bit, dual);
            row(name.first, name.second, after.system & (1u << bit), notes);
        }
    }
    return rows;
}

EventTouch TouchedBy(const AlarmInfo &event, bool dual, AlarmState &bits)
{
    bits = AlarmState();
    const bool on = event.alarmStatus == QLatin1String(kAsserted);
    if (!on && event.alarmStatus != QLatin1String(kCleared)) {
        return EventTouch::None;
    }
    const EventTouch touch = on ? EventTouch::Raise : EventTouch::Clear;
    const int input = InputIndex(event.input, dual);
    for (int bit = 0; input >= 0 && bit < kVideoAlarmKinds; ++bit) {
        if (event.alarmType == QLatin1String(VideoAlarmName(bit))) {
            Set(bits.video, input, AlarmType(1u << bit), true);
            return touch;
        }
    }
    for (int kind = 0; input >= 0 && kind < 2; ++kind) {
        if (event.alarmType == QLatin1String(AudioAlarmName(kind))) {
            const quint16 mask = ChannelMask(event.notes);
            Set(kind == 0 ? bits.lost : bits.silent, input, mask, true);
            return mask != 0 ? touch : EventTouch::None;
        }
    }
    const QString name = dual && !event.input.isEmpty()
                             ? event.input + QLatin1Char(' ') + event.alarmType
                             : event.alarmType;
    for (const SystemAlarmEntry &entry : SystemAlarmEntries(dual)) {
        if (name == QLatin1String(entry.name)) {
            bits.system = 1u << entry.bit;
            return NamesWhereItWent(entry.name) ? EventTouch::Either : touch;
        }
    }
    return EventTouch::None;
}

bool ApplyEvent(const AlarmInfo &event, bool dual, AlarmState &state)
{
    AlarmState bits;
    const EventTouch touch = TouchedBy(event, dual, bits);
    if (touch != EventTouch::Raise && touch != EventTouch::Clear) {
        return false;
    }
    state = CombineAlarms(state, bits, bits, [touch](auto word, auto bit, auto) {
        return static_cast<decltype(word)>(touch == EventTouch::Raise ? (word | bit)
                                                                      : (word & ~bit));
    });
    return true;
}

bool BitOf(const AlarmState &state, const AlarmBit &alarm)
{
    const quint32 word = alarm.field == AlarmBit::Video    ? state.video.value(alarm.input)
                         : alarm.field == AlarmBit::Lost   ? state.lost.value(alarm.input)
                         : alarm.field == AlarmBit::Silent ? state.silent.value(alarm.input)
                                                           : state.system;
    return (word >> alarm.bit) & 1;
}

void SetBit(AlarmState &state, const AlarmBit &alarm, bool on)
{
    switch (alarm.field) {
        case AlarmBit::Video:
            Set(state.video, alarm.input, AlarmType(1u << alarm.bit), on);
            break;
        case AlarmBit::Lost:
            Set(state.lost, alarm.input, quint16(1u << alarm.bit), on);
            break;
        case AlarmBit::Silent:
            Set(state.silent, alarm.input, quint16(1u << alarm.bit), on);
            break;
        case AlarmBit::System:
            state.system =
                on ? (state.system | (1u << alarm.bit)) : (state.system & ~(1u << alarm.bit));
            break;
    }
}

QVector<AlarmBit> Differences(const AlarmState &a, const AlarmState &b)
{
    QVector<AlarmBit> out;
    const auto add = [&out](AlarmBit::Field field, int input, quint32 word, int bits) {
        for (int bit = 0; bit < bits; ++bit) {
            if ((word >> bit) & 1) {
                out.append({field, input, bit});
            }
        }
    };
    for (int i = 0; i < kInputCount; ++i) {
        add(AlarmBit::Video, i, a.video.value(i) ^ b.video.value(i), kVideoAlarmKinds);
        add(AlarmBit::Lost, i, a.lost.value(i) ^ b.lost.value(i), kAudioChannels);
        add(AlarmBit::Silent, i, a.silent.value(i) ^ b.silent.value(i), kAudioChannels);
    }
    add(AlarmBit::System, 0, a.system ^ b.system, kSystemAlarmBits);
    return out;
}
