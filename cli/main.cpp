// qvt-cli: the parameter file, the status and the alarm events of a QVT
// change-over switch from a shell. See qvt-cli --help.

#include "Cli.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>

namespace {
extern "C" void OnSignal(int)
{
    Cli::RequestStop();
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Ctrl+C ends a monitor cleanly and an import between two pages, never
    // in the middle of a device write or a file.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    QFile in, out, err;
    in.open(stdin, QIODevice::ReadOnly);
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Cli::Run(app.arguments().mid(1), in, out, err);
}
