// qvt-cli's cost, against qvt-devsim on loopback. Not a test: run
//   build/bin/bench_cli [runs [PROGRAM]]
// and keep docs/PERFORMANCE.md in step with what it prints. PROGRAM is the
// qvt-cli to measure, by default the one beside this benchmark.
//  1. A full export of the 4x1 AGC model: the qvt-cli program end to end
//     (start, login, every read, the file), and the same command run in
//     this process (what the program adds is its start).
//  2. A diff of two parameter files of that model, one value apart.
//  3. A monitor that writes its CSV file: 3,000 events sent at 10,000 a
//     second (0.3 s), from the first sent to the program's end at the last
//     (--count 3000); faster floods overrun the socket under load. And the
//     row writes alone: 3,000 rows into one file, one call a row, with
//     AlarmCsv::Append (the whole file each time) and AppendRow.

#include "AlarmCsv.h"
#include "BenchCommon.h"
#include "Cli.h"
#include "DeviceSimulator.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "../tests/common/FreeLoopback.h"

#include <cstdio>
#include <vector>

namespace {
// Picked at run time, so that two benchmarks or test runs never share it.
const QString kDevice = TestAddress();

int RunInProcess(const QStringList &arguments)
{
    QBuffer in, out, err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    return Cli::Run(arguments, in, out, err);
}

int RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(10000) ? process.exitCode() : -1;
}

// Seconds from the start of a flood of `events` notifications to the end of
// the monitor that counts them into `csv`, or -1 when it does not get there.
double MonitorSeconds(const QString &program, DeviceSimulator &device, const QString &csv,
                      int events)
{
    const quint16 port = 40955;
    device.WithModel([](DeviceModel &m) {
        m.notifyIp[0] = 0x7F000001;
        m.notifyPort[0] = port;
    });
    QFile::remove(csv);
    QProcess monitor;
    monitor.setStandardOutputFile(QProcess::nullDevice());
    monitor.setReadChannel(QProcess::StandardError);
    monitor.start(program,
                  {"monitor", "--address", kDevice, "--password", "admin", "--port",
                   QString::number(port), "--csv", csv, "--count", QString::number(events)});
    // Its "listening" line says the receiver is bound.
    if (!monitor.waitForReadyRead(10000)) {
        return -1;
    }
    QElapsedTimer clock;
    clock.start();
    device.Command(QStringLiteral("flood %1 10000").arg(events));
    if (!monitor.waitForFinished(120000) || monitor.exitCode() != 0) {
        monitor.kill();
        monitor.waitForFinished();
        return -1;
    }
    return clock.nsecsElapsed() / 1e9;
}

// Microseconds a row for the first and the last 100 of `rows` rows added to
// a new file one call at a time, and the seconds for all of them.
struct RowCost {
    double first;
    double last;
    double total;
};

template <class Add>
RowCost AddRows(const QString &path, int rows, Add &&add)
{
    QFile::remove(path);
    const AlarmCsv::Preamble preamble{"QVT 4x1 AGC", "QV00012345-00000042", "1.1.65", "20180523",
                                      "127.0.9.5"};
    QElapsedTimer clock, part;
    clock.start();
    double first = 0, last = 0;
    for (int i = 1; i <= rows; ++i) {
        if (i == 1 || i == rows - 99) {
            part.start();
        }
        const AlarmCsv::Row row{
            QString::number(i), "2026-12-07 00:44:21", "", "Output Switched", "Asserted", ""};
        QString why;
        if (!add(path, preamble, row, &why)) {
            return {-1, -1, -1};
        }
        if (i == 100) {
            first = part.nsecsElapsed() / 1e5;
        }
        if (i == rows) {
            last = part.nsecsElapsed() / 1e5;
        }
    }
    return {first, last, clock.nsecsElapsed() / 1e9};
}

struct Figures {
    double median;
    double worst;
};

template <class Step>
Figures Measure(int runs, Step &&step)
{
    std::vector<double> millis;
    QElapsedTimer clock;
    for (int i = 0; i < runs + 2; ++i) {
        clock.start();
        if (!step()) {
            return {-1, -1};
        }
        if (i >= 2) {  // the first runs warm the caches
            millis.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    return {Median(millis), Percentile(millis, 1.0)};
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    DeviceSimulator::Options options;
    options.address = kDevice;
    options.model = 50002;
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot serve on %s\n", qPrintable(kDevice));
        return 1;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("agc.xml");
    const QStringList exportArgs = {"export", "--address", kDevice, "--password",
                                    "admin",  "-o",        file};
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                     : QCoreApplication::applicationDirPath() + "/qvt-cli";

    const Figures process = Measure(runs, [&] { return RunProgram(program, exportArgs) == 0; });
    const Figures inProcess = Measure(runs, [&] { return RunInProcess(exportArgs) == 0; });
    std::printf("export, 4x1 AGC, qvt-cli program:  median %.1f ms, worst %.1f ms (%d runs)\n",
                process.median, process.worst, runs);
    std::printf("export, 4x1 AGC, in this process:  median %.1f ms, worst %.1f ms\n",
                inProcess.median, inProcess.worst);

    device.WithModel([](DeviceModel &m) { m.agc.targetLevel = m.agc.targetLevel == 20 ? 21 : 20; });
    const QString changed = dir.filePath("changed.xml");
    if (RunInProcess({"export", "--address", kDevice, "--password", "admin", "-o", changed}) != 0) {
        return 1;
    }
    const Figures diffProcess = Measure(runs, [&] {
        return RunProgram(program, {"diff", file, changed}) == Cli::kDifferent;
    });
    const Figures diffIn = Measure(runs, [&] {
        return RunInProcess({"diff", file, changed}) == Cli::kDifferent;
    });
    std::printf("diff of two files, qvt-cli program: median %.1f ms, worst %.1f ms\n",
                diffProcess.median, diffProcess.worst);
    std::printf("diff of two files, in this process: median %.2f ms, worst %.2f ms\n",
                diffIn.median, diffIn.worst);

    const QString csv = dir.filePath("monitor.csv");
    const double monitor = MonitorSeconds(program, device, csv, 3000);
    std::printf("monitor --csv, 3,000 events:        %.2f s, a %lld-byte file\n", monitor,
                QFile(csv).size());
    const auto print = [](const char *name, const RowCost &cost) {
        std::printf(
            "3,000 rows, %s: rows 1-100 %.0f us a row, rows 2901-3000 %.0f us a row, "
            "all %.2f s\n",
            name, cost.first, cost.last, cost.total);
    };
    print("Append   ", AddRows(csv, 3000,
                               [](const QString &path, const AlarmCsv::Preamble &preamble,
                                  const AlarmCsv::Row &row, QString *why) {
                                   return AlarmCsv::Append(path, preamble, {row}, why);
                               }));
    print("AppendRow", AddRows(csv, 3000, AlarmCsv::AppendRow));
    return 0;
}
