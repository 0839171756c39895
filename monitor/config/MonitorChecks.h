#pragma once

// Inside monitor/config only: the checks that the file and the command line
// share, one way: the command line (MonitorConfig.cpp) reads the file
// (MonitorConfigFile.cpp), and both check with these.

#include "MonitorConfig.h"

#include <QProcessEnvironment>

namespace MonitorCheck {

// Each gives an empty string when `text` is good and writes its value, else
// the reason without writing anything. `what` names the setting as the
// reader knows it: "poll" in the file, "--poll" on the command line.
QString DeviceName(const QString &text);
QString DeviceAddress(const QString &text, QString *address);
QString Listen(const QString &what, const QString &text, QString *address, quint16 *port);
QString NotifyPort(const QString &what, const QString &text, quint16 *port);
QString Poll(const QString &what, const QString &text, double *seconds);
QString DownAfter(const QString &what, const QString &text, double *seconds);
QString User(const QString &what, const QString &text, int *user);
QString Snapshot(const QString &what, const QString &text, double *minutes);

QString Quoted(const QString &text);

// The two rules on devices that the file and --device share: each device's
// name and address once (the index of the one that already has it, or -1),
// and a device that names no password takes $QVT_PASSWORD (false: unset).
int NameTaken(const QVector<MonitorDevice> &devices, const QString &name);
int AddressTaken(const QVector<MonitorDevice> &devices, const QString &address);
bool EnvironmentPassword(const QProcessEnvironment &env, QString *password);

}  // namespace MonitorCheck
