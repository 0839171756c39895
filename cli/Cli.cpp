#include "CliCommon.h"

namespace Cli {
namespace {
const char kProgramHelp[] =
    "usage: qvt-cli COMMAND [OPTIONS]\n"
    "\n"
    "The parameter file, the status and the alarm events of one QVT change-over\n"
    "switch, from a shell. Commands:\n"
    "  export    write the device's parameters as a parameter file\n"
    "  import    write a parameter file's parameters to the device\n"
    "  diff      list the parameters that differ between two files, or a file\n"
    "            and the device\n"
    "  status    identity, versions, network, inputs and active alarms\n"
    "  monitor   print the device's alarm events as they arrive\n"
    "  history   print the change journal, revert an operation of it, or give\n"
    "            a device's parameters at a past time\n"
    "  restore   write back the parameters a device held at a past time\n"
    "  confirm   keep a change made with --confirm-within\n"
    "\n"
    "'qvt-cli COMMAND --help' describes a command. Data goes to standard output,\n"
    "messages to standard error. A file named - is standard input or output.\n"
    "\n"
    "Exit status: 0 success, 1 diff found differences, 2 bad usage, 3 device\n"
    "unreachable, 4 wrong user or password, 5 device in update mode (history\n"
    "--at: the journal holds nothing of the device by then), 6 file of another\n"
    "model or failing the check, 7 a device operation failed, 8 a local file or\n"
    "port could not be used, 9 the device was changed and its journal entry\n"
    "waits in the spool (the next program to reach the journal moves it).\n";
}  // namespace

int Run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err)
{
    Io io(in, out, err);
    StopRequested() = false;
    const QString name = arguments.value(0);
    if (name.isEmpty() || name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        io.Data(kProgramHelp);
        return name.isEmpty() ? kUsage : kOk;
    }
    if (const Command *command = FindCommand(name)) {
        return command->run(io, arguments.mid(1));
    }
    return Usage(io, QStringLiteral("no command %1").arg(name));
}

void RequestStop()
{
    StopRequested() = true;
}

}  // namespace Cli
