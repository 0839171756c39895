// qvt-cli: the parameter file, the status and the alarm events of a QVT
// change-over switch from a shell. See qvt-cli --help.

#include "Cli.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

#include <csignal>

namespace {
extern "C" void OnSignal(int)
{
    Cli::RequestStop();
}

// The link's debug lines (each refused request, for a developer) are not for
// a shell's user, who gets the command's own message; warnings still show.
QtMessageHandler g_defaultHandler = nullptr;

void QuietDebug(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg) {
        g_defaultHandler(type, context, text);
    }
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    g_defaultHandler = qInstallMessageHandler(QuietDebug);
    // Ctrl+C ends a monitor cleanly and an import between two parts, never
    // in the middle of a device write or a file.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    QFile in, out, err;
    // On the descriptors, not the C streams: a monitor's line must reach a
    // pipe or a file as it happens, not when the C library's buffer fills.
    in.open(STDIN_FILENO, QIODevice::ReadOnly);
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Cli::Run(app.arguments().mid(1), in, out, err);
}
