#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// One switch as qvt-monitord's /api/v1/devices reports it, and the colour
// its tile takes. Without widgets: the feed and the model use it.

// In the order the tiles are sorted: problems first.
enum class StationStatus { Alarm, Lost, Unrouted, Fine };

struct StationDevice {
    QString name;
    QString address;
    QString model;  // empty before the service's first login
    QString user;   // "admin" or "guest": whom the service logs in as
    bool up = false;
    // The service is a destination of its notifications: 1, 0, -1 not known.
    int routeOk = -1;
    // Active alarms, each "Input 1: Video Black" or a system alarm's name,
    // in English as the service names them.
    QStringList alarms;

    StationStatus Status() const;
    bool operator==(const StationDevice &other) const;
    bool operator!=(const StationDevice &other) const { return !(*this == other); }
};

// The devices of the service's answer; on a malformed answer an empty list
// and `error` says what was wrong. Devices without a name are refused, as
// the tiles are told apart by their names.
QVector<StationDevice> ParseStationDevices(const QByteArray &json, QString *error);

// An alarm as the service names it, in the interface language as far as the
// status board's texts translate it: "Input 2: Audio Lost Ch3".
QString ShownAlarm(const QString &english);
