// qvt-cli's cost, against qvt-devsim on loopback. Not a test: run
//   build/bin/bench_cli [runs]
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. A full export of the 4x1 AGC model: the qvt-cli program end to end
//     (start, login, every read, the file), and the same command run in
//     this process (what the program adds is its start).
//  2. A diff of two parameter files of that model, one value apart.

#include "BenchCommon.h"
#include "Cli.h"
#include "DeviceSimulator.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {
const QString kDevice = QStringLiteral("127.0.9.5");

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
    const QString program = QCoreApplication::applicationDirPath() + "/qvt-cli";

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
    return 0;
}
