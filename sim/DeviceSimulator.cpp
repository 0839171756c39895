#include "DeviceSimulator.h"

#include "ByteOrder.h"
#include "DeviceTables.h"
#include "Message.h"
#include "NoticeMessages.h"
#include "TextForms.h"

#include <QStringList>

namespace {
// Longest the serving thread waits with nothing due: an idle device costs no
// processor time, which matters with a fleet of hundreds.
constexpr int kIdleMs = 60000;
constexpr int kHoldMs = 300;  // a reordered answer waits at most this long
constexpr int kDemoStepMs = 750;
constexpr int kOversizedBytes = 1100;

QByteArray NotificationDatagram(const SimNotification &n)
{
    NotificationMsg msg;
    msg.alarmCode = n.code;
    msg.groupIndex = n.group;
    msg.inputIndex = n.input;
    msg.value = n.value;
    return msg.Serialize();
}

QByteArray Reframe(const QByteArray &answer, quint16 sequence, int payloadSize)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(answer.constData());
    QByteArray payload = answer.mid(Frame::kHeaderSize, answer.size() - Frame::kMinSize);
    payload.resize(payloadSize < 0 ? payload.size() : payloadSize);
    return DeviceFrame(ReadU16(bytes + Frame::kTypeOffset), ReadU32(bytes + Frame::kLoginIdOffset),
                       sequence, payload);
}

}  // namespace

DeviceSimulator::DeviceSimulator(const Options &options)
    : m_options(options),
      m_model(options.model),
      m_random(options.seed),
      m_responder(m_model, m_random)
{
    ParseAddress(options.address, &m_address);
    m_model.passwords[0] = options.adminPassword;
    m_model.passwords[1] = options.guestPassword;
    m_model.firmware = options.firmware;
    WriteU32(m_model.serial + 2, options.serial);
    m_model.ip = m_address;
    m_model.gateway = (m_address & 0xFFFFFF00) | 1;
    // A loopback device lives in 127/8; elsewhere assume a /24.
    m_model.mask = (m_address >> 24) == 127 ? 0xFF000000 : 0xFFFFFF00;
    for (int d = 0; d < 2; ++d) {
        m_model.notifyIp[d] = options.notify[d].address;
        m_model.notifyPort[d] = options.notify[d].port;
    }
    m_model.Update();
    m_clock.start();
}

DeviceSimulator::~DeviceSimulator()
{
    Stop();
}

bool DeviceSimulator::Start()
{
    if (m_running) {
        return true;
    }
    if (!m_socket.Open() || !m_socket.Bind(m_address, m_options.port) || !m_sidePort.Open() ||
        !m_sidePort.Bind(m_address, 0)) {
        m_socket.Close();
        m_sidePort.Close();
        return false;
    }
    // Room for bursts of requests from several tools at once.
    m_socket.SetReceiveBufferSize(1 << 20);
    m_running = true;
    m_wake.Clear();
    m_thread = std::thread(&DeviceSimulator::Run, this);
    return true;
}

void DeviceSimulator::Stop()
{
    StopFlood();
    if (m_thread.joinable()) {
        m_running = false;
        m_wake.Raise();
        m_thread.join();
    }
    m_socket.Close();
    m_sidePort.Close();
}

QString DeviceSimulator::ReadyLine() const
{
    return QStringLiteral("ready %1:%2 model %3")
        .arg(AddressText(m_address))
        .arg(m_options.port)
        .arg(m_options.model);
}

void DeviceSimulator::Run()
{
    quint8 buffer[2048];
    while (m_running) {
        int wait = kIdleMs;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_options.demo) {
                wait = int(std::clamp<qint64>(m_nextDemoStep - m_clock.elapsed(), 0, wait));
            }
            for (const Pending &p : m_pending) {
                wait = std::min<int>(wait, std::max<qint64>(0, p.due - m_clock.elapsed()));
            }
        }
        UdpSocket::Peer from;
        const int size = m_socket.ReceiveFrom(buffer, sizeof buffer, wait, &from, &m_wake);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (size >= 0) {
            ++m_received;
            Serve(buffer, std::min<int>(size, Frame::kMaxSize + 1), from);
        }
        FlushDue();
        if (m_options.demo && m_clock.elapsed() >= m_nextDemoStep) {
            m_nextDemoStep = m_clock.elapsed() + kDemoStepMs;
            DemoStep();
        }
    }
}

quint64 DeviceSimulator::RequestsOfType(quint16 type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_typeCounts.find(type);
    return it == m_typeCounts.end() ? 0 : it->second;
}

QByteArray DeviceSimulator::LastRequest(quint16 type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_lastOfType.find(type);
    return it == m_lastOfType.end() ? QByteArray() : it->second;
}

void DeviceSimulator::Serve(const quint8 *data, int size, const UdpSocket::Peer &from)
{
    if (size >= Frame::kHeaderSize) {
        const quint16 type = ReadU16(data + Frame::kTypeOffset);
        ++m_typeCounts[type];
        m_lastOfType[type] = QByteArray(reinterpret_cast<const char *>(data), size);
    }
    if (m_clock.elapsed() < m_offlineUntil) {
        return;
    }
    QByteArray answer;
    std::vector<SimNotification> notes;
    if (!m_responder.Answer(data, size, &answer, &notes)) {
        return;
    }
    Deliver(from, answer);
    Notify(notes);
}

bool DeviceSimulator::Roll(int percent)
{
    return percent > 0 && static_cast<int>(m_random() % 100) < percent;
}

// Sends an answer the way the configured faults say.
void DeviceSimulator::Deliver(const UdpSocket::Peer &to, QByteArray answer)
{
    if (m_faults.stale) {
        // The previous request's answer goes out first, as if it had been
        // stuck in the device's queue.
        const QByteArray previous = m_previousAnswer;
        m_previousAnswer = answer;
        if (!previous.isEmpty()) {
            Send(to, previous, false);
        }
    }
    if (Roll(m_faults.drop)) {
        return;
    }
    const auto *header = reinterpret_cast<const quint8 *>(answer.constData());
    if (m_faults.dropSuccess.count(ReadU16(header + Frame::kTypeOffset)) &&
        ReadU32(header + Frame::kLoginIdOffset) == kResultSuccess) {
        return;
    }
    const quint16 sequence =
        ReadU16(reinterpret_cast<const quint8 *>(answer.constData()) + Frame::kSequenceOffset);
    if (Roll(m_faults.wrongSeq)) {
        answer = Reframe(answer, static_cast<quint16>(sequence - 1), -1);
    }
    if (Roll(m_faults.oversize)) {
        answer = Reframe(answer, sequence, kOversizedBytes - Frame::kMinSize);
    }
    if (Roll(m_faults.corrupt)) {
        // Flip one byte after the checksum was computed.
        const int at = static_cast<int>(m_random() % static_cast<quint32>(answer.size()));
        answer[at] = static_cast<char>(answer[at] ^ static_cast<char>(1 + m_random() % 255));
    }
    if (Roll(m_faults.truncate)) {
        answer.chop(1 + static_cast<int>(m_random() % static_cast<quint32>(answer.size() - 1)));
    }
    const bool sidePort = Roll(m_faults.wrongPort);
    const int copies = Roll(m_faults.duplicate) ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
        if (m_faults.reorder) {
            // Hold this answer until the next one has gone out (or a while).
            const bool wasHolding = m_holding;
            m_pending.push_back(
                {m_clock.elapsed() + (wasHolding ? 0 : kHoldMs), to, answer, sidePort});
            if (wasHolding) {
                std::swap(m_pending[m_pending.size() - 1], m_pending[m_pending.size() - 2]);
                for (Pending &p : m_pending) {
                    p.due = 0;
                }
            }
            m_holding = !wasHolding;
        } else if (m_faults.delayMs > 0) {
            m_pending.push_back({m_clock.elapsed() + m_faults.delayMs, to, answer, sidePort});
        } else {
            Send(to, answer, sidePort);
        }
    }
}

void DeviceSimulator::FlushDue()
{
    const qint64 now = m_clock.elapsed();
    while (!m_pending.empty() && m_pending.front().due <= now) {
        const Pending p = m_pending.front();
        m_pending.pop_front();
        Send(p.to, p.bytes, p.sidePort);
        if (m_pending.empty()) {
            m_holding = false;
        }
    }
}

void DeviceSimulator::Send(const UdpSocket::Peer &to, const QByteArray &bytes, bool sidePort)
{
    UdpSocket &socket = sidePort ? m_sidePort : m_socket;
    if (socket.SendTo(to, reinterpret_cast<const quint8 *>(bytes.constData()), bytes.size())) {
        ++m_answered;
    }
}

int DeviceSimulator::Notify(const std::vector<SimNotification> &notes)
{
    int sent = 0;
    for (const SimNotification &note : notes) {
        const QByteArray datagram = NotificationDatagram(note);
        for (int d = 0; d < 2; ++d) {
            if (m_model.notifyIp[d] != 0 && m_model.notifyPort[d] != 0) {
                sent += m_socket.SendTo({m_model.notifyIp[d], m_model.notifyPort[d]},
                                        reinterpret_cast<const quint8 *>(datagram.constData()),
                                        datagram.size());
            }
        }
    }
    return sent;
}

int DeviceSimulator::TogglePowerAlarm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.rawSystem ^= 1u << 16;
    return Notify(m_model.Update());
}

// Sends `count` "Output Switched" notifications, value 0, 1, 2, ..., at
// `rate` a second, to the current destinations, from a thread of its own so
// that the device keeps answering meanwhile.
void DeviceSimulator::StartFlood(int count, int rate)
{
    StopFlood();
    std::vector<UdpSocket::Peer> destinations;
    for (int d = 0; d < 2; ++d) {
        if (m_model.notifyIp[d] != 0 && m_model.notifyPort[d] != 0) {
            destinations.push_back({m_model.notifyIp[d], m_model.notifyPort[d]});
        }
    }
    m_floodStop = false;
    m_flood = std::thread([this, count, rate, destinations] {
        const auto start = std::chrono::steady_clock::now();
        const auto interval = std::chrono::nanoseconds(1000000000LL / rate);
        for (int i = 0; i < count && !m_floodStop; ++i) {
            std::this_thread::sleep_until(start + i * interval);
            const QByteArray datagram = NotificationDatagram({14, 0, 0, static_cast<quint32>(i)});
            for (const UdpSocket::Peer &to : destinations) {
                m_socket.SendTo(to, reinterpret_cast<const quint8 *>(datagram.constData()),
                                datagram.size());
            }
        }
    });
}

void DeviceSimulator::StopFlood()
{
    m_floodStop = true;
    if (m_flood.joinable()) {
        m_flood.join();
    }
}

QString DeviceSimulator::StatusLine() const
{
    const DeviceModel &m = m_model;
    QStringList parts;
    parts << QStringLiteral("model %1").arg(m.productCode)
          << QStringLiteral("firmware %1").arg(FirmwareVersionText(m.firmware))
          << QStringLiteral("work-mode %1").arg(m.workMode)
          << QStringLiteral("login %1")
                 .arg(m_responder.LoginId() ? QStringLiteral("yes") : QStringLiteral("no"));
    for (int g = 0; g < m.GroupCount(); ++g) {
        parts << QStringLiteral("pgm%1 In%2").arg(QLatin1Char('A' + g)).arg(m.active[g] + 1);
    }
    QStringList alarms;
    for (int i = 0; i < kInputCount; ++i) {
        alarms << QStringLiteral("%1/%2/%3")
                      .arg(m.video[i], 0, 16)
                      .arg(m.audioLost[i], 0, 16)
                      .arg(m.audioSilent[i], 0, 16);
    }
    parts << QStringLiteral("alarms %1").arg(alarms.join(QLatin1Char(',')))
          << QStringLiteral("system 0x%1").arg(m.system, 0, 16)
          << QStringLiteral("gpi 0x%1 gpo 0x%2").arg(m.gpiLevels, 0, 16).arg(m.gpoLevels, 0, 16)
          << QStringLiteral("requests %1 answers %2").arg(m_received.load()).arg(m_answered.load());
    return parts.join(QLatin1Char(' '));
}

// One step of the demonstration cycle: signals come and go, alarms rise and
// clear, the output fails over and comes back, and the audio meters move.
void DeviceSimulator::DemoStep()
{
    DeviceModel &m = m_model;
    const int last = m.IsDual() ? 3 : 1;
    switch (m_demoPhase) {
        case 1:
            m.rawVideo[0] |= kAlarmVideoBlack;  // the primary goes black: fail over
            break;
        case 3:
            m.rawVideo[0] &= ~kAlarmVideoBlack;
            break;
        case 5:
            m.present[last] = false;
            break;
        case 7:
            m.present[last] = true;
            break;
        case 8:
            m.rawAudioSilent[0] = 0x0003;
            break;
        case 10:
            m.rawAudioSilent[0] = 0;
            m.rawVideo[2] |= kAlarmVideoFrozen;
            break;
        case 12:
            m.rawVideo[2] &= ~kAlarmVideoFrozen;
            m.genlockPresent = false;
            break;
        case 13:
            m.genlockPresent = true;
            break;
        default:
            break;
    }
    m_demoPhase = (m_demoPhase + 1) % 16;
    for (int k = 0; k < kAudioChannels; ++k) {
        const int in = std::clamp(int(m.levelsIn[k]) + int(m_random() % 9) - 4, 6, 40);
        m.levelsIn[k] = static_cast<quint8>(in);
        m.levelsOut[k] = static_cast<quint8>(std::min(63, in + 3));
    }
    Notify(m.Update());
}
