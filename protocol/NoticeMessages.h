#pragma once

#include "Message.h"

#include <QByteArray>

// The notification datagram a device sends unasked to each of its
// notification destinations when an alarm changes. It has no type, login or
// sequence, only its own header:
//   length(2) version(1) code(4) group(1) input(1) value(4) ... checksum(1)
struct NotificationPayload : TablePayload<NotificationPayload> {
    static constexpr int kSize = 13;  // before the checksum, as the device sends it
    quint16 length = 0;
    quint8 version = 0;
    quint32 alarmCode = 0;
    quint8 groupIndex = 0;
    quint8 inputIndex = 0;
    quint32 value = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 2, s.length);
        f(2, 1, s.version);
        f(3, 4, s.alarmCode);
        f(7, 1, s.groupIndex);
        f(8, 1, s.inputIndex);
        f(9, 4, s.value);
    }
};

class NotificationMsg final : public NotificationPayload
{
public:
    static constexpr int kMinSize = 10;
    static constexpr int kMaxSize = 1039;

    // 0 when the datagram is acceptable (its checksum, length and version
    // right), -1 otherwise. Fields beyond a short datagram read as zero.
    int Parse(const quint8 *bytes, int size);
    // The datagram as the device sends it, its length and checksum set.
    QByteArray Serialize() const;
};

// What a notification's value says, and so when it counts as raised.
enum class NoticeValue : quint8 {
    Flag,         // 1 raised, anything else cleared
    ChannelMask,  // one bit per audio channel, each raised or cleared
    Source,       // the genlocking source it switched to; 0 (none) raised
    GroupInput,   // the input of the group the output switched to; all ones raised
};

// What the input column of the alarm log names for a notification.
enum class NoticePlace : quint8 {
    None,   // the device as a whole
    Input,  // the input at the input index
    Group,  // the switching group at the group index
    Gpi,    // the group of the GPI at the input index
};

// One notification code. The names are in English, as the alarm log keeps
// them, and translated in the context "NoticesServer" where they are shown.
struct NoticeCode {
    quint32 code;
    const char *name;  // null: the name of the system alarm at `systemBit`
    int videoBit;      // the video alarm it reports, -1 none
    int systemBit;     // the system alarm it reports (group A's), -1 none
    NoticePlace place;
    NoticeValue value;
};

// Codes 1-16; null for a code the device does not send.
const NoticeCode *FindNoticeCode(quint32 code);

// The video alarms by bit (codes 1-5), and the two audio alarms by kind
// (0 lost, 1 silent: codes 6 and 7), in English.
constexpr int kVideoAlarmKinds = 5;
const char *VideoAlarmName(int bit);
const char *AudioAlarmName(int kind);
