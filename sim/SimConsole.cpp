// The simulator's console: the commands of a test, a benchmark or a person
// at the terminal, which change the simulated device's inputs, faults and
// parameters.

#include "DeviceSimulator.h"

#include "DeviceTables.h"
#include "TextForms.h"

#include <QStringList>

namespace {
const char *const kVideoKinds[] = {"signal-lost", "format-error", "sync-failed", "video-black",
                                   "video-frozen"};

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
