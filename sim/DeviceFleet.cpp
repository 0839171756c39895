#include "DeviceFleet.h"

#include "TextForms.h"

#include <QStringList>

#include <chrono>
#include <cmath>
#include <thread>

namespace {
constexpr quint32 kLoopbackFirst = 0x7F000001;  // 127.0.0.1
constexpr quint32 kLoopbackLast = 0x7FFFFFFE;   // 127.255.255.254
}  // namespace

bool DeviceFleet::InLoopback(const QString &first, int count, QString *why)
{
    quint32 address = 0;
    if (!ParseAddress(first, &address)) {
        *why = QStringLiteral("%1 is not an IPv4 address").arg(first);
        return false;
    }
    const quint64 last = quint64(address) + quint64(count) - 1;
    if (address < kLoopbackFirst || last > kLoopbackLast) {
        *why = QStringLiteral(
                   "%1 devices from %2 do not fit in the loopback addresses "
                   "127.0.0.1-127.255.255.254")
                   .arg(count)
                   .arg(first);
        return false;
    }
    return true;
}

DeviceFleet::DeviceFleet(const DeviceSimulator::Options &options, int count)
    : m_port(options.port), m_model(options.model)
{
    ParseAddress(options.address, &m_first);
    for (int k = 0; k < count; ++k) {
        DeviceSimulator::Options own = options;
        own.address = Address(k);
        own.serial = options.serial + quint32(k);
        own.seed = options.seed + quint32(k);
        m_devices.push_back(std::make_unique<DeviceSimulator>(own));
    }
}

DeviceFleet::~DeviceFleet() = default;

bool DeviceFleet::Start(int *failed)
{
    for (int k = 0; k < Size(); ++k) {
        if (!m_devices[size_t(k)]->Start()) {
            if (failed) {
                *failed = k;
            }
            return false;
        }
    }
    return true;
}

QString DeviceFleet::Address(int index) const
{
    return AddressText(m_first + quint32(index));
}

QString DeviceFleet::ReadyLine() const
{
    return QStringLiteral("ready %1 devices %2-%3:%4 model %5")
        .arg(Size())
        .arg(Address(0), Address(Size() - 1))
        .arg(m_port)
        .arg(m_model);
}

bool DeviceFleet::Split(const QString &line, int *index, QString *command, QString *answer) const
{
    const QString text = line.trimmed();
    *index = kUnaddressed;
    *command = text;
    if (!text.startsWith(QLatin1Char('@'))) {
        return true;
    }
    const int space = text.indexOf(QLatin1Char(' '));
    const QString target = text.mid(1, space < 0 ? -1 : space - 1);
    *command = space < 0 ? QString() : text.mid(space + 1).trimmed();
    const bool every = target == QLatin1String("*");
    bool ok = false;
    const int k = target.toInt(&ok);
    *index = every ? kEveryDevice : k;
    if (!every && (!ok || k < 0 || k >= Size())) {
        *answer = QStringLiteral("error: no device @%1 (@0-@%2 or @*)").arg(target).arg(Size() - 1);
        return false;
    }
    if (command->isEmpty()) {
        *answer = QStringLiteral("error: empty command");
        return false;
    }
    return true;
}

QString DeviceFleet::Command(const QString &line)
{
    int index = 0;
    QString command, answer;
    return Split(line, &index, &command, &answer) ? Command(index, command) : answer;
}

QString DeviceFleet::Command(int index, const QString &command)
{
    const QStringList words = command.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    if (verb == QLatin1String("quit")) {
        return QStringLiteral("ok bye");  // whichever device it names, the fleet stops
    }
    if (verb == QLatin1String("storm")) {
        return index < 0 ? Storm(words)
                         : QStringLiteral("error: storm is for the whole fleet: storm or @* storm");
    }
    if (index != kEveryDevice) {
        return m_devices[size_t(std::max(index, 0))]->Command(command);
    }
    QStringList answers;
    for (const auto &device : m_devices) {
        answers << device->Command(command);
    }
    return answers.join(QLatin1Char('\n'));
}

// RATE alarm notifications a second in total for SECONDS, paced evenly: step
// i flips power supply 2 of device i mod N, so each device's alarm rises and
// clears in turn and its GetAlarmInfo always agrees with what it sent.
QString DeviceFleet::Storm(const QStringList &words)
{
    bool rateOk = false, secondsOk = false;
    const int rate = words.value(1).toInt(&rateOk);
    const double seconds = words.value(2).toDouble(&secondsOk);
    const bool ok = words.size() == 3 && rateOk && secondsOk && rate >= 1 && rate <= 1000000 &&
                    seconds > 0 && seconds <= 86400;
    const qint64 steps = ok ? std::llround(rate * seconds) : 0;
    if (steps < 1) {
        return QStringLiteral("error: usage: storm RATE(1-1000000) SECONDS");
    }
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::duration<double> interval(1.0 / rate);
    quint64 sent = 0;
    for (qint64 i = 0; i < steps; ++i) {
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(interval * i));
        sent += quint64(m_devices[size_t(i % Size())]->TogglePowerAlarm());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return QStringLiteral("ok sent %1 in %2 s").arg(sent).arg(took.count(), 0, 'f', 3);
}
