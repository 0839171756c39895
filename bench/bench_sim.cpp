// Round trip of one request to qvt-devsim on loopback: how long the simulated
// device takes to answer, seen from a bare socket. Not a test: run it by hand,
//   build/bin/bench_sim [requests]
// and keep docs/PERFORMANCE.md in step with what it prints.

#include "BenchCommon.h"
#include "DeviceSimulator.h"
#include "Message.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : 20000;

    DeviceSimulator::Options options;
    options.address = QStringLiteral("127.0.9.1");
    options.notify[0] = {0, 0};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on 127.0.9.1\n");
        return 1;
    }
    // Time GetAlarmInfo (37-byte payload) as the status page polls it.
    const std::vector<double> micros = BareAlarmInfoRoundTrips(0x7F000901, count);
    if (micros.empty()) {
        std::fprintf(stderr, "no answer from the simulator\n");
        return 1;
    }
    std::printf("GetAlarmInfo round trip to qvt-devsim over loopback, %d requests:\n", count);
    std::printf("  median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n",
                Percentile(micros, 0.5), Percentile(micros, 0.9), Percentile(micros, 0.99),
                Percentile(micros, 1.0));
    return 0;
}
