#include "DeviceSimulator.h"

#include "ByteOrder.h"
#include "DeviceTables.h"
#include "Message.h"
#include "TextForms.h"

#include <QStringList>

namespace {
constexpr int kPollMs = 20;   // longest the serving thread sleeps
constexpr int kHoldMs = 300;  // a reordered answer waits at most this long
constexpr int kDemoStepMs = 750;
constexpr int kOversizedBytes = 1100;

const char *const kVideoKinds[] = {"signal-lost", "format-error", "sync-failed", "video-black",
                                   "video-frozen"};

// The notification datagram: length, version, code, group, input, value, checksum.
QByteArray NotificationDatagram(const SimNotification &n)
{
    quint8 d[14];
    WriteU16(d, sizeof d - 2);
    d[2] = 1;
    WriteU32(d + 3, n.code);
    d[7] = n.group;
    d[8] = n.input;
    WriteU32(d + 9, n.value);
    d[13] = static_cast<quint8>(~ByteSum(d, 13));
    return QByteArray(reinterpret_cast<const char *>(d), sizeof d);
}

QByteArray Reframe(const QByteArray &answer, quint16 sequence, int payloadSize)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(answer.constData());
    QByteArray payload = answer.mid(Frame::kHeaderSize, answer.size() - Frame::kMinSize);
    payload.resize(payloadSize < 0 ? payload.size() : payloadSize);
    return DeviceFrame(ReadU16(bytes + Frame::kTypeOffset), ReadU32(bytes + Frame::kLoginIdOffset),
                       sequence, payload);
}

bool OnOff(const QString &word, bool *on)
{
    if (word == QLatin1String("on")) {
        *on = true;
    } else if (word == QLatin1String("off")) {
        *on = false;
    } else {
        return false;
    }
    return true;
}

bool Number(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}
}  // namespace

bool ParseVideoStandard(const QString &text, VideoStandard *code)
{
    bool ok = false;
    const uint number = text.toUInt(&ok, 0);
    if (ok) {
        *code = number;
        return true;
    }
    for (VideoStandard c = 0; c <= 207; ++c) {
        const QString sdi = VideoStandardName(c, QStringLiteral("SDI"));
        const QString genlock = VideoStandardName(c, QStringLiteral("Genlock"));
        if (!sdi.isEmpty() && (text.compare(sdi, Qt::CaseInsensitive) == 0 ||
                               text.compare(genlock, Qt::CaseInsensitive) == 0)) {
            *code = c;
            return true;
        }
    }
    return false;
}

bool ParseMask(const QString &text, quint32 *mask)
{
    bool ok = false;
    const uint value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                           ? text.mid(2).toUInt(&ok, 16)
                           : text.toUInt(&ok, 10);
    if (ok) {
        *mask = value;
    }
    return ok;
}

bool ParseFirmware(const QString &text, quint32 *firmware)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    int major = 0, minor = 0, build = 0;
    if (parts.size() != 3 || !Number(parts[0], 0, 255, &major) ||
        !Number(parts[1], 0, 255, &minor) || !Number(parts[2], 0, 65535, &build)) {
        return false;
    }
    *firmware = quint32(major) << 24 | quint32(minor) << 16 | quint32(build);
    return true;
}

bool ParseDestination(const QString &text, UdpSocket::Peer *peer)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    int port = 0;
    quint32 address = 0;
    if (colon < 0 || !ParseAddress(text.left(colon), &address) ||
        !Number(text.mid(colon + 1), 0, 65535, &port)) {
        return false;
    }
    *peer = {address, static_cast<quint16>(port)};
    return true;
}

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
    m_thread = std::thread(&DeviceSimulator::Run, this);
    return true;
}

void DeviceSimulator::Stop()
{
    StopFlood();
    if (m_thread.joinable()) {
        m_running = false;
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
        int wait = kPollMs;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Pending &p : m_pending) {
                wait = std::min<int>(wait, std::max<qint64>(0, p.due - m_clock.elapsed()));
            }
        }
        UdpSocket::Peer from;
        const int size = m_socket.ReceiveFrom(buffer, sizeof buffer, wait, &from);
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

void DeviceSimulator::Notify(const std::vector<SimNotification> &notes)
{
    for (const SimNotification &note : notes) {
        const QByteArray datagram = NotificationDatagram(note);
        for (int d = 0; d < 2; ++d) {
            if (m_model.notifyIp[d] != 0 && m_model.notifyPort[d] != 0) {
                m_socket.SendTo({m_model.notifyIp[d], m_model.notifyPort[d]},
                                reinterpret_cast<const quint8 *>(datagram.constData()),
                                datagram.size());
            }
        }
    }
}

QString DeviceSimulator::Command(const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return QStringLiteral("error: empty command");
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return Apply(words);
}

QString DeviceSimulator::Apply(const QStringList &w)
{
    const QString &verb = w[0];
    const int n = w.size();
    DeviceModel &m = m_model;
    const QString usage = QStringLiteral("error: usage: ");
    int input = 0;
    bool on = false;
    quint32 mask = 0;

    if (verb == QLatin1String("alarm")) {
        int kind = -1;
        for (int k = 0; n == 4 && k < 5; ++k) {
            kind = w[2] == QLatin1String(kVideoKinds[k]) ? k : kind;
        }
        if (n != 4 || !Number(w[1], 1, 4, &input) || kind < 0 || !OnOff(w[3], &on)) {
            return usage +
                   QStringLiteral(
                       "alarm IN signal-lost|format-error|sync-failed|video-black|video-frozen "
                       "on|off");
        }
        const AlarmType bit = AlarmType(1) << kind;
        m.rawVideo[input - 1] = on ? (m.rawVideo[input - 1] | bit) : (m.rawVideo[input - 1] & ~bit);
    } else if (verb == QLatin1String("audio-lost") || verb == QLatin1String("audio-silent")) {
        if (n != 3 || !Number(w[1], 1, 4, &input) || !ParseMask(w[2], &mask) || mask > 0xFFFF) {
            return usage + verb + QStringLiteral(" IN MASK");
        }
        quint16 *raw = verb == QLatin1String("audio-lost") ? m.rawAudioLost : m.rawAudioSilent;
        raw[input - 1] = static_cast<quint16>(mask);
    } else if (verb == QLatin1String("system")) {
        int bit = 0;
        if (n != 3 || !Number(w[1], 0, 16, &bit) || !OnOff(w[2], &on)) {
            return usage + QStringLiteral("system BIT(0-16) on|off");
        }
        if (bit == 0) {
            m.genlockPresent = !on;  // genlock lost is the reference going away
        } else {
            m.rawSystem = on ? (m.rawSystem | (1u << bit)) : (m.rawSystem & ~(1u << bit));
        }
    } else if (verb == QLatin1String("signal") || verb == QLatin1String("genlock")) {
        const bool isSignal = verb == QLatin1String("signal");
        const QString arg = n > 1 ? w[n - 1] : QString();
        VideoStandard standard = 0;
        const bool none = arg == QLatin1String("none");
        if (n != (isSignal ? 3 : 2) || (isSignal && !Number(w[1], 1, 4, &input)) ||
            (!none && !ParseVideoStandard(arg, &standard))) {
            return usage + (isSignal ? QStringLiteral("signal IN STANDARD|none")
                                     : QStringLiteral("genlock STANDARD|none"));
        }
        if (isSignal) {
            m.present[input - 1] = !none;
            m.standard[input - 1] = none ? m.standard[input - 1] : standard;
        } else {
            m.genlockPresent = !none;
            m.genlockStandard = none ? m.genlockStandard : standard;
        }
    } else if (verb == QLatin1String("gpi")) {
        if (n != 2 || !ParseMask(w[1], &mask) || mask > 0xFF) {
            return usage + QStringLiteral("gpi MASK");
        }
        m.gpiLevels = static_cast<quint8>(mask);
    } else if (verb == QLatin1String("levels")) {
        int channel = 0;
        int db = 0;
        const bool in = n == 4 && w[1] == QLatin1String("in");
        if (n != 4 || (!in && w[1] != QLatin1String("out")) || !Number(w[2], 1, 16, &channel) ||
            !Number(w[3], 0, 255, &db)) {
            return usage + QStringLiteral("levels in|out CH(1-16) DB(0-255)");
        }
        (in ? m.levelsIn : m.levelsOut)[channel - 1] = static_cast<quint8>(db);
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("expire-login") && n == 1) {
        m_responder.ExpireLogin();
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("update-mode")) {
        if (n != 2 || !OnOff(w[1], &on)) {
            return usage + QStringLiteral("update-mode on|off");
        }
        m.workMode = on ? 0 : 1;
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("offline")) {
        bool ok = false;
        const double seconds = n == 2 ? w[1].toDouble(&ok) : 0;
        if (!ok || seconds < 0 || seconds > 86400) {
            return usage + QStringLiteral("offline SECONDS");
        }
        m_offlineUntil = m_clock.elapsed() + static_cast<qint64>(seconds * 1000);
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("fault")) {
        const QString kind = n > 1 ? w[1] : QString();
        int value = 0;
        if (kind == QLatin1String("clear") && n == 2) {
            m_faults = Faults();
            m_responder.ClearRejects();
            m_previousAnswer.clear();
            return QStringLiteral("ok");
        }
        if ((kind == QLatin1String("reorder") || kind == QLatin1String("stale")) && n == 3 &&
            OnOff(w[2], &on)) {
            (kind == QLatin1String("reorder") ? m_faults.reorder : m_faults.stale) = on;
            m_previousAnswer.clear();
            return QStringLiteral("ok");
        }
        if (kind == QLatin1String("drop-ok") && n == 3 && Number(w[2], 0, 65535, &value)) {
            m_faults.dropSuccess.insert(static_cast<quint16>(value));
            return QStringLiteral("ok");
        }
        if (kind == QLatin1String("delay") && n == 3 && Number(w[2], 0, 60000, &value)) {
            m_faults.delayMs = value;
            return QStringLiteral("ok");
        }
        if (kind == QLatin1String("reject") && n == 4) {
            int code = 0;
            if (Number(w[2], 0, 65535, &code) && ParseMask(w[3], &mask)) {
                m_responder.Reject(static_cast<quint16>(code), mask);
                return QStringLiteral("ok");
            }
        }
        const std::pair<const char *, int *> percents[] = {
            {"drop", &m_faults.drop},         {"duplicate", &m_faults.duplicate},
            {"corrupt", &m_faults.corrupt},   {"truncate", &m_faults.truncate},
            {"oversize", &m_faults.oversize}, {"wrong-port", &m_faults.wrongPort},
            {"wrong-seq", &m_faults.wrongSeq}};
        for (const auto &p : percents) {
            if (kind == QLatin1String(p.first) && n == 3 && Number(w[2], 0, 100, &value)) {
                *p.second = value;
                return QStringLiteral("ok");
            }
        }
        return usage + QStringLiteral(
                           "fault drop|duplicate|corrupt|truncate|oversize|wrong-port|wrong-seq "
                           "PERCENT | delay MS | reorder on|off | stale on|off | reject CODE "
                           "RESULT | drop-ok CODE | clear");
    } else if (verb == QLatin1String("model")) {
        int code = 0;
        if (n != 2 || !Number(w[1], 50000, 50002, &code)) {
            return usage + QStringLiteral("model 50000|50001|50002");
        }
        m.productCode = static_cast<quint32>(code);
    } else if (verb == QLatin1String("firmware")) {
        if (n != 2 || !ParseFirmware(w[1], &mask)) {
            return usage + QStringLiteral("firmware X.Y.Z");
        }
        m.firmware = mask;
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("flood")) {
        int count = 0;
        int rate = 0;
        if (n != 3 || !Number(w[1], 1, 10000000, &count) || !Number(w[2], 1, 10000000, &rate)) {
            return usage + QStringLiteral("flood COUNT RATE");
        }
        StartFlood(count, rate);
        return QStringLiteral("ok");
    } else if (verb == QLatin1String("status") && n == 1) {
        return QStringLiteral("ok ") + StatusLine();
    } else if (verb == QLatin1String("quit") && n == 1) {
        return QStringLiteral("ok bye");
    } else {
        return QStringLiteral("error: unknown command '%1'").arg(verb);
    }
    Notify(m.Update());
    return QStringLiteral("ok");
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
