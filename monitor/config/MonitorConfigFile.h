#pragma once

// Inside monitor/config only: the file reader that the command line has its
// say in.

#include "MonitorConfig.h"

// The file's settings over those in `out` and its devices in place of
// those in `out`, possibly none. `userOverride` (0 or 1), when not -1, is
// the user of the devices without their own, whatever the file's global
// user says. `out` is written only on success.
bool MergeMonitorConfigFile(const QString &path, const QProcessEnvironment &env, int userOverride,
                            MonitorConfig *out, QString *error);
