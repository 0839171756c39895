#include "NoticesServer.h"

#include "AlarmState.h"
#include "ByteOrder.h"
#include "DeviceTables.h"
#include "TextForms.h"

#include <QCoreApplication>
#include <QHostAddress>

namespace {
constexpr int kReceiveSliceMs = 100;  // one receive; Stop and Rebind cut it short
constexpr int kSocketTimeoutMs = 3000;
constexpr int kReceiveBufferBytes = 1 << 20;
constexpr quint32 kAudioLost = 6;
constexpr quint32 kAudioSilent = 7;

// The events are named in English: the alarm log keeps its rows and files in
// English whatever the interface language (other programs read the files),
// and shows the texts translated. The texts stay in the translation catalogue
// for that.
QString English(const char *text)
{
    return QString::fromLatin1(text);
}

QString GroupLetter(int group)
{
    return group == 0 ? QStringLiteral("A") : QStringLiteral("B");
}

QString GroupName(int group, bool dual)
{
    if (group > 1) {
        return QString();
    }
    return English(QT_TRANSLATE_NOOP("NoticesServer", "Group %1"))
        .arg(dual ? GroupLetter(group) : GroupLetter(0));
}

QString SourceName(quint32 value)
{
    switch (value) {
        case 0:
            return English(QT_TRANSLATE_NOOP("NoticesServer", "Invalid"));
        case 1:
            return English(QT_TRANSLATE_NOOP("NoticesServer", "Genlock"));
        case 2:
        case 3:
        case 4:
        case 5:
            return English(QT_TRANSLATE_NOOP("NoticesServer", "%1-Input %2"))
                .arg(GroupLetter(int(value - 2) / 2))
                .arg((value - 2) % 2 + 1);
        case 6:
        case 7:
        case 8:
        case 9:
            return English(QT_TRANSLATE_NOOP("NoticesServer", "Input %1")).arg(value - 5);
        default:
            return QString();
    }
}

// A system event's name: that of its alarm bit in the system-alarm table, as
// the 4x1 models name it (the group goes in the input column).
QString SystemName(int bit)
{
    return SystemAlarmName(bit, false);
}

QString ChannelList(quint16 mask)
{
    QString text;
    for (int k = 0; k < 16; ++k) {
        if (mask & (1u << k)) {
            text += QStringLiteral("Ch%1 ").arg(k + 1);
        }
    }
    return text;
}

QString Status(bool asserted)
{
    return asserted ? English(QT_TRANSLATE_NOOP("NoticesServer", "Asserted"))
                    : English(QT_TRANSLATE_NOOP("NoticesServer", "Cleared"));
}

int CodeSlot(quint32 code)
{
    return code == kAudioSilent ? 1 : 0;
}
}  // namespace

QString EventInputName(int input, bool dual)
{
    if (input >= 4) {
        return QString();
    }
    if (dual) {
        return English(QT_TRANSLATE_NOOP("NoticesServer", "%1-Input %2"))
            .arg(GroupLetter(input / 2))
            .arg(input % 2 + 1);
    }
    return English(QT_TRANSLATE_NOOP("NoticesServer", "Input %1")).arg(input + 1);
}

int NotificationMsg::Parse(const quint8 *bytes, int size)
{
    if (bytes == nullptr || size < kMinSize || size > kMaxSize) {
        return -1;
    }
    if (ByteSum(bytes, size) != 0xFF) {
        return -1;
    }
    // Fields beyond a short datagram read as zero.
    std::fill(m_buffer, m_buffer + kMaxSize, quint8(0));
    std::copy(bytes, bytes + size, m_buffer);
    m_size = size;
    length = ReadU16(m_buffer);
    version = m_buffer[2];
    alarmCode = ReadU32(m_buffer + 3);
    groupIndex = m_buffer[7];
    inputIndex = m_buffer[8];
    value = ReadU32(m_buffer + 9);
    if (length != size - 2 || version != 1) {
        return -1;
    }
    return 0;
}

quint16 AudioMasks::Exchange(quint32 code, int input, quint16 mask)
{
    std::lock_guard<std::mutex> lock(m_lock);
    quint16 &slot = m_masks[CodeSlot(code)][input & 3];
    const quint16 previous = slot;
    slot = mask;
    return previous;
}

void AudioMasks::Store(const QVector<quint16> &audioLost, const QVector<quint16> &audioSilent)
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (int i = 0; i < 4; ++i) {
        m_masks[0][i] = audioLost.value(i);
        m_masks[1][i] = audioSilent.value(i);
    }
}

quint16 AudioMasks::Get(quint32 code, int input) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_masks[CodeSlot(code)][input & 3];
}

void AudioMasks::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::fill(&m_masks[0][0], &m_masks[0][0] + 8, quint16(0));
}

AlarmInfo DescribeNotification(const NotificationMsg &msg, bool dual, AudioMasks &masks)
{
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    const int input = msg.inputIndex;
    const int group = msg.groupIndex;
    const quint32 value = msg.value;
    switch (msg.alarmCode) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5: {
            info.alarmType = English(kVideoAlarmNames[msg.alarmCode - 1]);
            info.input = EventInputName(input, dual);
            info.alarmStatus = Status(value == 1);
            break;
        }
        case kAudioLost:
        case kAudioSilent: {
            info.alarmType = msg.alarmCode == kAudioLost
                                 ? English(QT_TRANSLATE_NOOP("NoticesServer", "Audio Lost"))
                                 : English(QT_TRANSLATE_NOOP("NoticesServer", "Audio Silent"));
            info.input = EventInputName(input, dual);
            const quint16 now = static_cast<quint16>(value & 0xFFFF);
            // An input the device should not name has no memory slot: report the
            // mask as it stands.
            const quint16 previous = input < 4 ? masks.Exchange(msg.alarmCode, input, now) : 0;
            const quint16 changed = previous ^ now;
            const quint16 raised = now & changed;
            const quint16 cleared = static_cast<quint16>(~now & changed);
            if (cleared) {
                info.notes = ChannelList(cleared);
                info.alarmStatus = Status(false);
            }
            if (raised) {
                info.notes = ChannelList(raised);
                info.alarmStatus = Status(true);
            }
            break;
        }
        case 8:
            info.alarmType = SystemName(0);
            info.alarmStatus = Status(value == 1);
            break;
        case 9:
            info.alarmType = SystemName(1);
            info.input = GroupName(group, dual);
            info.alarmStatus = Status(value == 1);
            break;
        case 10:
            info.alarmType = SystemName(2);
            info.input = GroupName(group, dual);
            info.alarmStatus = Status(value == 0);
            if (value != 0) {
                info.notes = SourceName(value);
            }
            break;
        case 11:
            info.alarmType = SystemName(3);
            info.input = GroupName(group, dual);
            info.alarmStatus = Status(value == 1);
            break;
        case 12: {
            const int number = input <= 3 ? (dual ? input % 2 + 1 : input + 1) : input;
            info.alarmType =
                English(QT_TRANSLATE_NOOP("NoticesServer", "GPI %1 Triggered")).arg(number);
            if (input <= 3) {
                info.input = English(QT_TRANSLATE_NOOP("NoticesServer", "Group %1"))
                                 .arg(dual ? GroupLetter(input / 2) : GroupLetter(0));
            }
            info.alarmStatus = Status(value == 1);
            break;
        }
        case 13:
            info.alarmType = SystemName(6);
            info.input = GroupName(group, dual);
            info.alarmStatus = Status(value == 1);
            break;
        case 14:
            info.alarmType = SystemName(7);
            info.input = GroupName(group, dual);
            info.alarmStatus = Status(value == 0xFFFFFFFF);
            if (value != 0xFFFFFFFF) {
                info.notes =
                    dual ? English(QT_TRANSLATE_NOOP("NoticesServer", "%1-Input %2"))
                               .arg(GroupLetter(group > 1 ? 1 : group))
                               .arg(value + 1)
                         : English(QT_TRANSLATE_NOOP("NoticesServer", "Input %1")).arg(value + 1);
            }
            break;
        case 15:
            info.alarmType = SystemName(15);
            info.alarmStatus = Status(value == 1);
            break;
        case 16:
            info.alarmType = SystemName(16);
            info.alarmStatus = Status(value == 1);
            break;
        default:
            break;
    }
    return info;
}

NoticesServer::NoticesServer(QObject *parent) : QObject(parent)
{
    RegisterLinkTypes();
}

NoticesServer::~NoticesServer()
{
    Stop();
    if (m_thread) {
        m_thread->Join();
    }
}

bool NoticesServer::OpenSocket(quint16 port)
{
    if (!m_socket.Open() || !m_socket.Bind(0, port)) {
        m_socket.Close();
        return false;
    }
    m_socket.SetReceiveTimeout(kSocketTimeoutMs);
    // Room for a burst of alarms while the user interface is busy.
    m_socket.SetReceiveBufferSize(kReceiveBufferBytes);
    return true;
}

void NoticesServer::CloseSocket()
{
    m_socket.Close();
}

template <class Change>
auto NoticesServer::HandOver(Change &&change)
{
    m_handover = true;
    m_wakeReceive.Raise();
    std::lock_guard<std::mutex> lock(m_socketLock);
    // The receive has returned (or never began): the wake is spent.
    m_wakeReceive.Clear();
    m_handover = false;
    return change();
}

bool NoticesServer::Start(quint16 port)
{
    const bool bound = HandOver([&] { return OpenSocket(port); });
    if (!m_thread) {
        m_thread = std::make_unique<NoticesThread>(this);
    }
    // A loop still running (a second Start, or one still finishing an
    // earlier Stop) ends first, so exactly one loop serves the new socket.
    m_thread->Stop();
    m_thread->Join();
    {
        std::lock_guard<std::mutex> lock(m_emitLock);
        m_emitting = true;
    }
    m_thread->Start();
    return bound;
}

bool NoticesServer::Rebind(quint16 port)
{
    return HandOver([&] { return OpenSocket(port); });
}

void NoticesServer::Stop()
{
    {
        // Waits for an emission under way, and silences the ones after it.
        std::lock_guard<std::mutex> lock(m_emitLock);
        m_emitting = false;
    }
    if (m_thread) {
        m_thread->Stop();
    }
    HandOver([this] { CloseSocket(); });
}

int NoticesServer::ReceiveBufferSize()
{
    std::lock_guard<std::mutex> lock(m_socketLock);
    return m_socket.ReceiveBufferSize();
}

void NoticesServer::ReceiveStep()
{
    if (m_handover) {
        QThread::msleep(1);
        return;
    }
    quint8 buffer[NotificationMsg::kMaxSize + 1];
    UdpSocket::Peer from;
    int size;
    {
        std::unique_lock<std::mutex> lock(m_socketLock);
        if (!m_socket.IsOpen()) {
            lock.unlock();
            QThread::msleep(20);
            return;
        }
        size = m_socket.ReceiveFrom(buffer, sizeof buffer, kReceiveSliceMs, &from, &m_wakeReceive);
    }
    if (size >= 0) {
        Handle(buffer, size, from);
    }
}

void NoticesServer::Drain()
{
    HandOver([this] {
        quint8 buffer[NotificationMsg::kMaxSize + 1];
        UdpSocket::Peer from;
        int size;
        while ((size = m_socket.ReceiveFrom(buffer, sizeof buffer, 0, &from, nullptr)) != -1) {
            Handle(buffer, size, from);
        }
    });
}

void NoticesServer::Handle(const quint8 *buffer, int size, const UdpSocket::Peer &from)
{
    if (size == 0) {
        ++m_dropped[int(Drop::Empty)];  // whoever sent it, it says nothing
        return;
    }
    std::lock_guard<std::mutex> lock(m_emitLock);
    const auto found = m_routes.constFind(from.address);
    if (found == m_routes.constEnd()) {
        ++m_dropped[int(Drop::UnknownSender)];
        return;
    }
    NotificationMsg msg;
    if (msg.Parse(buffer, size) != 0) {
        ++m_dropped[int(Drop::Malformed)];
        return;
    }
    if (m_emitting) {
        NoticeRoute *route = found->route;
        emit route->NotityAlarmInfo(DescribeNotification(msg, found->dual, route->Masks()));
    }
}

void NoticesServer::Attach(NoticeRoute *route, const QString &address, int productType)
{
    std::lock_guard<std::mutex> lock(m_emitLock);
    for (auto i = m_routes.begin(); i != m_routes.end();) {
        i = i->route == route ? m_routes.erase(i) : std::next(i);
    }
    m_routes.insert(QHostAddress(address).toIPv4Address(), {route, IsDual(productType)});
}

void NoticesServer::Detach(NoticeRoute *route)
{
    std::lock_guard<std::mutex> lock(m_emitLock);
    for (auto i = m_routes.begin(); i != m_routes.end();) {
        i = i->route == route ? m_routes.erase(i) : std::next(i);
    }
}

quint64 NoticesServer::Dropped(Drop reason) const
{
    return m_dropped[int(reason)];
}

NoticesThread::~NoticesThread()
{
    Stop();
    Join();
}
