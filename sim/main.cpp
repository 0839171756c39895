// qvt-devsim: a simulated change-over switch for the tests, the benchmarks
// and the demo. See docs/SIMULATOR.md for the command line and the console.

#include "DeviceFleet.h"
#include "TextForms.h"
#include "Twin.h"

#include <QFile>
#include <QSaveFile>

#include <QCoreApplication>
#include <QStringList>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {
// Writes the parameters of the device at `address` as a parameter file;
// empty, or why not.
QString SaveTwin(const DeviceSimulator::Options &options, const QString &address,
                 const QString &path)
{
    QString error;
    const QByteArray bytes = Twin::Save(address, options.port, options.adminPassword, &error);
    if (!error.isEmpty()) {
        return error;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    }
    return QString();
}

const char kUsage[] =
    "usage: qvt-devsim [--address A] [--model 50000|50001|50002] [--admin-password P]\n"
    "                  [--guest-password P] [--firmware X.Y.Z] [--notify IP:PORT[,IP:PORT]]\n"
    "                  [--demo] [--seed N] [--load FILE] [--save FILE] [--fleet N]\n";

// Each device holds three descriptors (its port, its side port, its wake-up),
// more than the usual soft limit allows for a large fleet.
void RaiseDescriptorLimit()
{
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Usage(const char *why)
{
    std::fprintf(stderr, "qvt-devsim: %s\n%s", why, kUsage);
    return 2;
}

// Asked for, the usage is the program's output, not a complaint.
int Help()
{
    std::printf(
        "%s\n"
        "A simulated QVT change-over switch on A:33903 (default 127.0.0.1). Once it\n"
        "listens it prints 'ready A:33903 model N' and reads console commands on\n"
        "standard input, one a line; with standard input closed it serves until\n"
        "SIGINT or SIGTERM. --load FILE makes it a twin of the device that exported\n"
        "FILE; --save FILE writes its parameters as a parameter file and stops.\n"
        "\n"
        "--fleet N (1-1024) simulates N devices on A, A+1, ... (all in 127.0.0.0/8),\n"
        "serial numbers QV00012345-00000042 upwards, every other option the same\n"
        "for all; it prints 'ready N devices A-B:33903 model M' once all serve.\n"
        "A console line '@K COMMAND' goes to device K (0 for A), '@* COMMAND' to\n"
        "every device (one answer line each), a line without @ to device 0;\n"
        "'storm RATE SECONDS' makes the fleet send RATE alarm notifications a\n"
        "second.\n"
        "The options and the console commands: docs/SIMULATOR.md.\n"
        "\n"
        "Exit status: 0 stopped, 1 cannot serve on A or --load/--save failed,\n"
        "2 bad usage.\n",
        kUsage);
    return 0;
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    DeviceSimulator::Options options;
    QByteArray twinContent;  // --load: a parameter file, whose model wins over --model
    quint32 twinModel = 0;
    QString savePath;   // --save: write the parameters there and stop
    int fleetSize = 0;  // --fleet: that many devices
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const QString value = hasValue ? args[i + 1] : QString();
        bool ok = true;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            return Help();
        }
        if (arg == QLatin1String("--demo")) {
            options.demo = true;
            continue;
        }
        if (!hasValue) {
            return Usage(qPrintable(QStringLiteral("%1 needs a value").arg(arg)));
        }
        ++i;
        if (arg == QLatin1String("--address")) {
            quint32 address = 0;
            ok = ParseAddress(value, &address);
            options.address = value;
        } else if (arg == QLatin1String("--model")) {
            options.model = value.toUInt(&ok);
            ok = ok && options.model >= 50000 && options.model <= 50002;
        } else if (arg == QLatin1String("--admin-password")) {
            options.adminPassword = value.toUtf8();
        } else if (arg == QLatin1String("--guest-password")) {
            options.guestPassword = value.toUtf8();
        } else if (arg == QLatin1String("--firmware")) {
            ok = ParseFirmware(value, &options.firmware);
        } else if (arg == QLatin1String("--notify")) {
            const QStringList parts = value.split(QLatin1Char(','));
            ok = parts.size() <= 2;
            options.notify[1] = {0, 0};
            for (int d = 0; ok && d < parts.size(); ++d) {
                ok = ParseDestination(parts[d], &options.notify[d]);
            }
        } else if (arg == QLatin1String("--load")) {
            QFile file(value);
            if (!file.open(QIODevice::ReadOnly)) {
                return Usage(qPrintable(QStringLiteral("%1: %2").arg(value, file.errorString())));
            }
            twinContent = file.readAll();
            QString error;
            twinModel = Twin::ModelOf(twinContent, &error);
            if (twinModel == 0) {
                return Usage(qPrintable(QStringLiteral("%1: %2").arg(value, error)));
            }
        } else if (arg == QLatin1String("--save")) {
            savePath = value;
        } else if (arg == QLatin1String("--fleet")) {
            fleetSize = value.toInt(&ok);
            ok = ok && fleetSize >= 1 && fleetSize <= DeviceFleet::kMaxDevices;
        } else if (arg == QLatin1String("--seed")) {
            options.seed = value.toUInt(&ok);
        } else {
            return Usage(qPrintable(QStringLiteral("unknown option %1").arg(arg)));
        }
        if (!ok) {
            return Usage(qPrintable(QStringLiteral("bad value for %1: %2").arg(arg, value)));
        }
    }

    if (twinModel != 0) {
        options.model = twinModel;  // the file's model wins over --model
    }
    QString why;
    if (fleetSize > 0 && !DeviceFleet::InLoopback(options.address, fleetSize, &why)) {
        return Usage(qPrintable(QStringLiteral("--fleet: ") + why));
    }
    if (fleetSize > 0) {
        RaiseDescriptorLimit();
    }
    DeviceFleet fleet(options, std::max(fleetSize, 1));
    int failed = 0;
    if (!fleet.Start(&failed)) {
        std::fprintf(stderr,
                     "qvt-devsim: cannot serve on %s:33903 (in use, or not an address "
                     "of this machine)\n",
                     qPrintable(fleet.Address(failed)));
        return 1;
    }
    for (int k = 0; k < fleet.Size() && !twinContent.isEmpty(); ++k) {
        const QString error =
            Twin::Load(fleet.Address(k), options.port, options.adminPassword, twinContent);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qvt-devsim: --load: %s\n", qPrintable(error));
            return 1;
        }
    }
    if (!savePath.isEmpty()) {
        const QString error = SaveTwin(options, options.address, savePath);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qvt-devsim: --save: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    std::printf("%s\n",
                qPrintable(fleetSize > 0 ? fleet.ReadyLine() : fleet.Device(0).ReadyLine()));
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        int index = 0;
        QString command, reply;
        const bool named = fleet.Split(QString::fromStdString(line), &index, &command, &reply);
        if (named && !command.startsWith(QLatin1String("save "))) {
            reply = fleet.Command(index, command);
        } else if (!named) {
            // `reply` says why
        } else if (index == DeviceFleet::kEveryDevice) {
            reply = QStringLiteral("error: save one device at a time: @K save FILE");
        } else {
            const QString error =
                SaveTwin(options, fleet.Address(std::max(index, 0)), command.mid(5).trimmed());
            reply =
                error.isEmpty() ? QStringLiteral("ok saved") : QStringLiteral("error: ") + error;
        }
        std::printf("%s\n", qPrintable(reply));
        std::fflush(stdout);
        if (reply == QLatin1String("ok bye")) {
            return 0;
        }
    }
    // No console (standard input closed): serve until stopped by a signal.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    int caught = 0;
    sigwait(&set, &caught);
    return 0;
}
