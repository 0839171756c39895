#include "StationDevices.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

StationStatus StationDevice::Status() const
{
    // A lost switch reports no alarms: what it had is not known any more.
    if (!up) {
        return StationStatus::Lost;
    }
    if (!alarms.isEmpty()) {
        return StationStatus::Alarm;
    }
    return routeOk == 0 ? StationStatus::Unrouted : StationStatus::Fine;
}

bool StationDevice::operator==(const StationDevice &other) const
{
    return name == other.name && address == other.address && model == other.model &&
           user == other.user && up == other.up && routeOk == other.routeOk &&
           alarms == other.alarms;
}

QVector<StationDevice> ParseStationDevices(const QByteArray &json, QString *error)
{
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        *error = QCoreApplication::translate("StationFeed", "not JSON (%1 at byte %2)")
                     .arg(parsed.errorString())
                     .arg(parsed.offset);
        return {};
    }
    if (!document.isArray()) {
        *error = QCoreApplication::translate("StationFeed", "not a list of devices");
        return {};
    }
    QVector<StationDevice> devices;
    const QJsonArray array = document.array();
    devices.reserve(array.size());
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        StationDevice device;
        device.name = object.value(QLatin1String("name")).toString();
        if (device.name.isEmpty()) {
            *error =
                QCoreApplication::translate("StationFeed", "a device without a name (entry %1)")
                    .arg(devices.size() + 1);
            return {};
        }
        device.address = object.value(QLatin1String("address")).toString();
        device.model = object.value(QLatin1String("model")).toString();
        device.user = object.value(QLatin1String("user")).toString();
        device.up = object.value(QLatin1String("up")).toBool();
        const QJsonValue route = object.value(QLatin1String("routeOk"));
        device.routeOk = route.isBool() ? int(route.toBool()) : -1;
        for (const QJsonValue &alarm : object.value(QLatin1String("alarms")).toArray()) {
            const QString input = alarm[QLatin1String("input")].toString();
            QString name = alarm[QLatin1String("alarm")].toString();
            if (name.isEmpty()) {
                // Still an alarm the service reports: the tile stays red.
                name = QCoreApplication::translate("StationFeed", "(an alarm without a name)");
            }
            device.alarms << (input.isEmpty() ? name : input + QLatin1String(": ") + name);
        }
        devices.append(device);
    }
    error->clear();
    return devices;
}

namespace {
// The status board's and the alarm log's names, in their context.
QString Translated(const QString &english)
{
    return QCoreApplication::translate("NoticesServer", english.toUtf8().constData());
}
}  // namespace

QString ShownAlarm(const QString &english)
{
    // "A-Input 1: Audio Lost Ch3", "Group B Output Switched": each part that
    // the tool's other pages translate, the rest as the service wrote it.
    static const QRegularExpression kParts(QStringLiteral(
        "^(?:(?:([AB])-Input (\\d)|Input (\\d)): )?(?:Group ([AB]) )?(.*?)(?: Ch(\\d+))?$"));
    const QRegularExpressionMatch m = kParts.match(english);
    QString shown;
    if (!m.captured(1).isEmpty()) {
        shown = Translated(QStringLiteral("%1-Input %2")).arg(m.captured(1), m.captured(2)) +
                QLatin1String(": ");
    } else if (!m.captured(3).isEmpty()) {
        shown = Translated(QStringLiteral("Input %1")).arg(m.captured(3)) + QLatin1String(": ");
    }
    if (!m.captured(4).isEmpty()) {
        shown += Translated(QStringLiteral("Group %1")).arg(m.captured(4)) + QLatin1Char(' ');
    }
    static const QRegularExpression kGpi(QStringLiteral("^GPI (\\d) Triggered$"));
    const QRegularExpressionMatch gpi = kGpi.match(m.captured(5));
    shown += gpi.hasMatch() ? Translated(QStringLiteral("GPI %1 Triggered")).arg(gpi.captured(1))
                            : Translated(m.captured(5));
    if (!m.captured(6).isEmpty()) {
        shown += QLatin1Char(' ') +
                 QCoreApplication::translate("StationWindow", "Ch%1").arg(m.captured(6));
    }
    return shown;
}
