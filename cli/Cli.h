#pragma once

#include <QStringList>

class QIODevice;

// qvt-cli: the tool's parameter file, status and alarm events from a shell,
// without widgets. Run takes the arguments after the program's name; data
// goes to `out`, messages for a person to `err`, and `in` is read where a
// file is "-".
namespace Cli {

enum Exit {
    kOk = 0,
    kDifferent = 1,     // diff found differences
    kUsage = 2,         // bad usage
    kUnreachable = 3,   // the device did not answer
    kRefused = 4,       // wrong user or password
    kUpgrading = 5,     // the device runs its update loader
    kNothingThen = 5,   // history --at, --diff, restore: no version of the device by then
    kBadFile = 6,       // a file of another model, or one that fails the check
    kDeviceFailed = 7,  // a device operation (a read or a write) failed
    kFileError = 8,     // a local file could not be read or written
    kSpooled = 9,       // the device was changed; its journal entry waits in the spool
};

int Run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err);

// Ends a running monitor at its next look (about every 100 ms). Safe from a
// signal handler.
void RequestStop();

}  // namespace Cli
