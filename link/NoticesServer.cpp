#include "NoticesServer.h"

#include "AlarmState.h"
#include "DeviceTables.h"
#include "TextForms.h"

#include <QCoreApplication>
#include <QHostAddress>

namespace {
constexpr int kReceiveSliceMs = 100;  // one receive; Stop and Rebind cut it short
constexpr int kSocketTimeoutMs = 3000;
constexpr int kReceiveBufferBytes = 1 << 20;
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
    if (value == 0) {
        return English(QT_TRANSLATE_NOOP("NoticesServer", "Invalid"));
    }
    if (value == 1) {
        return English(QT_TRANSLATE_NOOP("NoticesServer", "Genlock"));
    }
    if (value <= 5) {
        return English(QT_TRANSLATE_NOOP("NoticesServer", "%1-Input %2"))
            .arg(GroupLetter(int(value - 2) / 2))
            .arg((value - 2) % 2 + 1);
    }
    if (value <= 9) {
        return English(QT_TRANSLATE_NOOP("NoticesServer", "Input %1")).arg(value - 5);
    }
    return QString();
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

// An audio notification: the channels whose alarm changed since the last
// mask of that input, raised ones before cleared ones.
void DescribeChannels(const NotificationMsg &msg, AudioMasks &masks, AlarmInfo &info)
{
    const int input = msg.inputIndex;
    const quint16 now = static_cast<quint16>(msg.value & 0xFFFF);
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
    const NoticeCode *code = FindNoticeCode(msg.alarmCode);
    if (!code) {
        return info;
    }
    const int input = msg.inputIndex;
    const int group = msg.groupIndex;
    const quint32 value = msg.value;
    // A system event is named as the 4x1 models name its alarm bit; the
    // group goes in the input column.
    info.alarmType = code->name ? English(code->name) : SystemAlarmName(code->systemBit, false);
    switch (code->place) {
        case NoticePlace::None:
            break;
        case NoticePlace::Input:
            info.input = EventInputName(input, dual);
            break;
        case NoticePlace::Group:
            info.input = GroupName(group, dual);
            break;
        case NoticePlace::Gpi:
            // The GPI's number within its group: the dual model's inputs
            // 0-1 are group A's GPI 1-2, 2-3 group B's.
            info.alarmType =
                info.alarmType.arg(input <= 3 ? (dual ? input % 2 + 1 : input + 1) : input);
            if (input <= 3) {
                info.input = GroupName(dual ? input / 2 : 0, dual);
            }
            break;
    }
    switch (code->value) {
        case NoticeValue::Flag:
            info.alarmStatus = Status(value == 1);
            break;
        case NoticeValue::ChannelMask:
            DescribeChannels(msg, masks, info);
            break;
        case NoticeValue::Source:
            info.alarmStatus = Status(value == 0);
            if (value != 0) {
                info.notes = SourceName(value);
            }
            break;
        case NoticeValue::GroupInput:
            info.alarmStatus = Status(value == 0xFFFFFFFF);
            if (value != 0xFFFFFFFF) {
                info.notes =
                    dual ? English(QT_TRANSLATE_NOOP("NoticesServer", "%1-Input %2"))
                               .arg(GroupLetter(group > 1 ? 1 : group))
                               .arg(value + 1)
                         : English(QT_TRANSLATE_NOOP("NoticesServer", "Input %1")).arg(value + 1);
            }
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
