// qvt-devsim: a simulated change-over switch for the tests, the benchmarks
// and the demo. See docs/SIMULATOR.md for the command line and the console.

#include "DeviceSimulator.h"
#include "TextForms.h"
#include "Twin.h"

#include <QFile>
#include <QSaveFile>

#include <QCoreApplication>
#include <QStringList>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {
// Writes the simulator's parameters as a parameter file; empty, or why not.
QString SaveTwin(const DeviceSimulator::Options &options, const QString &path)
{
    QString error;
    const QByteArray bytes =
        Twin::Save(options.address, options.port, options.adminPassword, &error);
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
    "                  [--demo] [--seed N] [--load FILE] [--save FILE]\n";

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
    QString savePath;  // --save: write the parameters there and stop
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
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr,
                     "qvt-devsim: cannot serve on %s:33903 (in use, or not an address "
                     "of this machine)\n",
                     qPrintable(options.address));
        return 1;
    }
    if (!twinContent.isEmpty()) {
        const QString error =
            Twin::Load(options.address, options.port, options.adminPassword, twinContent);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qvt-devsim: --load: %s\n", qPrintable(error));
            return 1;
        }
    }
    if (!savePath.isEmpty()) {
        const QString error = SaveTwin(options, savePath);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qvt-devsim: --save: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    std::printf("%s\n", qPrintable(device.ReadyLine()));
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        const QString command = QString::fromStdString(line).trimmed();
        QString reply;
        if (command.startsWith(QLatin1String("save "))) {
            const QString error = SaveTwin(options, command.mid(5).trimmed());
            reply =
                error.isEmpty() ? QStringLiteral("ok saved") : QStringLiteral("error: ") + error;
        } else {
            reply = device.Command(command);
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
