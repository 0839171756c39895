#include "MonitorChecks.h"

#include "TextForms.h"

#include <QRegularExpression>

namespace MonitorCheck {
namespace {
// Decimal digits only, so that "+80", " 80" and "0x50" are refused rather
// than read as something else.
bool Port(const QString &text, uint lowest, quint16 *port)
{
    static const QRegularExpression digits(QRegularExpression::anchoredPattern("[0-9]{1,5}"));
    const uint value = text.toUInt();
    if (!digits.match(text).hasMatch() || value < lowest || value > 65535) {
        return false;
    }
    *port = static_cast<quint16>(value);
    return true;
}
}  // namespace

QString Quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString DeviceName(const QString &text)
{
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern("[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}"));
    if (name.match(text).hasMatch()) {
        return QString();
    }
    return QStringLiteral(
               "bad device name %1: 1 to 64 of A-Z a-z 0-9 . _ -, not starting "
               "with \".\"")
        .arg(Quoted(text));
}

QString DeviceAddress(const QString &text, QString *address)
{
    quint32 value = 0;
    if (!ParseAddress(text, &value)) {
        return QStringLiteral("%1 is not an IPv4 address").arg(Quoted(text));
    }
    // "This network", multicast, reserved and broadcast: no device answers
    // there. Loopback stays, for the simulator.
    const quint32 first = value >> 24;
    if (first == 0 || first >= 224) {
        return QStringLiteral("%1 is not a host address").arg(text);
    }
    *address = AddressText(value);
    return QString();
}

QString Listen(const QString &what, const QString &text, QString *address, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    quint32 value = 0;
    quint16 number = 0;
    if (colon < 0 || !ParseAddress(text.left(colon), &value) ||
        !Port(text.mid(colon + 1), 0, &number)) {
        return QStringLiteral("%1 is IPv4:PORT, the port 0 (any free one) to 65535, not %2")
            .arg(what, Quoted(text));
    }
    *address = AddressText(value);
    *port = number;
    return QString();
}

QString NotifyPort(const QString &what, const QString &text, quint16 *port)
{
    if (Port(text, kMonitorLowestNotifyPort, port)) {
        return QString();
    }
    return QStringLiteral("%1 is a port from %2 to 65535, not %3")
        .arg(what)
        .arg(kMonitorLowestNotifyPort)
        .arg(Quoted(text));
}

namespace {
QString Seconds(const QString &what, const QString &text, double lowest, double highest,
                double *seconds)
{
    // Plain decimals only: no sign, exponent, "inf" or "nan".
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern("[0-9]{1,4}(\\.[0-9]{1,6})?"));
    const double value = text.toDouble();
    if (!decimal.match(text).hasMatch() || value < lowest || value > highest) {
        return QStringLiteral("%1 is seconds from %2 to %3, not %4")
            .arg(what)
            .arg(lowest)
            .arg(highest)
            .arg(Quoted(text));
    }
    *seconds = value;
    return QString();
}
}  // namespace

QString Poll(const QString &what, const QString &text, double *seconds)
{
    return Seconds(what, text, kMonitorFastestPoll, kMonitorSlowestPoll, seconds);
}

QString DownAfter(const QString &what, const QString &text, double *seconds)
{
    return Seconds(what, text, kMonitorShortestDownAfter, kMonitorLongestDownAfter, seconds);
}

QString Snapshot(const QString &what, const QString &text, double *minutes)
{
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern("[0-9]{1,5}(\\.[0-9]{1,6})?"));
    const double value = text.toDouble();
    if (!decimal.match(text).hasMatch() ||
        (value != 0 && (value < kMonitorShortestSnapshot || value > kMonitorLongestSnapshot))) {
        return QStringLiteral("%1 is minutes from %2 to %3, or 0 for none, not %4")
            .arg(what)
            .arg(kMonitorShortestSnapshot)
            .arg(kMonitorLongestSnapshot)
            .arg(Quoted(text));
    }
    *minutes = value;
    return QString();
}

QString User(const QString &what, const QString &text, int *user)
{
    if (UserIndex(text) >= 0) {
        *user = UserIndex(text);
        return QString();
    }
    return QStringLiteral("%1 is guest or admin, not %2").arg(what, Quoted(text));
}

int NameTaken(const QVector<MonitorDevice> &devices, const QString &name)
{
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].name == name) {
            return i;
        }
    }
    return -1;
}

int AddressTaken(const QVector<MonitorDevice> &devices, const QString &address)
{
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].address == address) {
            return i;
        }
    }
    return -1;
}

bool EnvironmentPassword(const QProcessEnvironment &env, QString *password)
{
    if (!env.contains(QStringLiteral("QVT_PASSWORD"))) {
        return false;
    }
    *password = env.value(QStringLiteral("QVT_PASSWORD"));
    return true;
}

}  // namespace MonitorCheck
