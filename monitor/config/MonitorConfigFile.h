#pragma once

// Inside monitor/config only: the checks that the file and the command line
// share, and the file reader that the command line has its say in.

#include "MonitorConfig.h"

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

}  // namespace MonitorCheck

// The file's settings over those in `out` and its devices in place of
// those in `out`, possibly none. `userOverride` (0 or 1), when not -1, is
// the user of the devices without their own, whatever the file's global
// user says. `out` is written only on success.
bool MergeMonitorConfigFile(const QString &path, const QProcessEnvironment &env, int userOverride,
                            MonitorConfig *out, QString *error);
