#include "NoticeMessages.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {
using P = NoticePlace;
using V = NoticeValue;
const NoticeCode kCodes[] = {
    {1, QT_TRANSLATE_NOOP("NoticesServer", "Signal Lost"), 0, -1, P::Input, V::Flag},
    {2, QT_TRANSLATE_NOOP("NoticesServer", "Signal Format Error"), 1, -1, P::Input, V::Flag},
    {3, QT_TRANSLATE_NOOP("NoticesServer", "Signal Sync Failed"), 2, -1, P::Input, V::Flag},
    {4, QT_TRANSLATE_NOOP("NoticesServer", "Video Black"), 3, -1, P::Input, V::Flag},
    {5, QT_TRANSLATE_NOOP("NoticesServer", "Video Frozen"), 4, -1, P::Input, V::Flag},
    {6, QT_TRANSLATE_NOOP("NoticesServer", "Audio Lost"), -1, -1, P::Input, V::ChannelMask},
    {7, QT_TRANSLATE_NOOP("NoticesServer", "Audio Silent"), -1, -1, P::Input, V::ChannelMask},
    {8, nullptr, -1, 0, P::None, V::Flag},
    {9, nullptr, -1, 1, P::Group, V::Flag},
    {10, nullptr, -1, 2, P::Group, V::Source},
    {11, nullptr, -1, 3, P::Group, V::Flag},
    // The GPI's number within its group goes in for %1.
    {12, QT_TRANSLATE_NOOP("NoticesServer", "GPI %1 Triggered"), -1, -1, P::Gpi, V::Flag},
    {13, nullptr, -1, 6, P::Group, V::Flag},
    {14, nullptr, -1, 7, P::Group, V::GroupInput},
    {15, nullptr, -1, 15, P::None, V::Flag},
    {16, nullptr, -1, 16, P::None, V::Flag},
};
}  // namespace

int NotificationMsg::Parse(const quint8 *bytes, int size)
{
    if (bytes == nullptr || size < kMinSize || size > kMaxSize || ByteSum(bytes, size) != 0xFF) {
        return -1;
    }
    quint8 buffer[kSize] = {};
    std::copy(bytes, bytes + std::min(size, kSize), buffer);
    Read(buffer);
    return length == size - 2 && version == 1 ? 0 : -1;
}

QByteArray NotificationMsg::Serialize() const
{
    NotificationPayload sent = *this;
    sent.length = kSize + 1 - 2;
    sent.version = 1;
    quint8 bytes[kSize + 1] = {};
    sent.Write(bytes);
    bytes[kSize] = static_cast<quint8>(~ByteSum(bytes, kSize));
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

const NoticeCode *FindNoticeCode(quint32 code)
{
    const auto found = std::find_if(std::begin(kCodes), std::end(kCodes),
                                    [code](const NoticeCode &row) { return row.code == code; });
    return found == std::end(kCodes) ? nullptr : found;
}

const char *VideoAlarmName(int bit)
{
    return bit >= 0 && bit < kVideoAlarmKinds ? kCodes[bit].name : "";
}

const char *AudioAlarmName(int kind)
{
    return kCodes[kind == 0 ? 5 : 6].name;
}
