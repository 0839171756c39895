// The station window at station size: a `qvt-devsim --fleet` and
// qvt-monitord, each a process of its own, the service polling every switch
// once a second as guest, and the window reading the service's device list
// once a second in this process. Not a test: run it by hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_station [devices] [refreshes]
// (default 256 60) and keep docs/PERFORMANCE.md in step with what it prints.
//  1. Each refresh while alarms change on a few switches every second, and
//     on every switch every tenth: the read (request to whole answer), the
//     parse, the model update, the tiles' layout and repaint (target: under
//     20 ms in all at the median).
//  2. The longest stall of the user-interface thread while refreshing, while
//     the service is stopped (SIGSTOP: the reads time out) and once it is
//     gone (connection refused) (target: under 50 ms each).
//  3. Resident memory just before the window is made, once it has shown
//     every switch for 20 refreshes and after the refreshes with alarms
//     (target: under 20 MiB added). It is the process's first window, so
//     Qt Widgets' and Qt Network's first use count as the window's: more
//     than in the tool, whose main window has paid for Qt Widgets already.

#include "MonitordBench.h"
#include "StationDevices.h"
#include "StationWindow.h"

#include <QApplication>
#include <QListView>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace MonitordBench;

namespace {
constexpr int kWarmRefreshes = 20;
constexpr int kChangedPerSecond = 4;  // switches whose input 1 goes black or comes back
constexpr int kStationEvery = 10;     // refreshes between two changes of every switch

void PrintMs(const char *what, const std::vector<double> &ms, double target = 0)
{
    std::printf("  %-44s median %7.2f ms  worst %7.2f ms", what, Median(ms), Percentile(ms, 1));
    if (target > 0) {
        std::printf("   target < %g ms: %s", target, Verdict(Median(ms) < target));
    }
    std::printf("\n");
}

// Counts the paints of the tiles' viewport, to be sure that a repaint timed
// did paint.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Runs the event loop until `done` holds, looked at after each answer and
// each failure of the feed, or for `ms`; whether it holds.
bool RunUntil(StationFeed &feed, const std::function<bool()> &done, int ms)
{
    QEventLoop loop;
    const auto look = [&] {
        if (done()) {
            loop.quit();
        }
    };
    const QMetaObject::Connection updated =
        QObject::connect(&feed, &StationFeed::Updated, &loop, look);
    const QMetaObject::Connection failed =
        QObject::connect(&feed, &StationFeed::Failed, &loop, look);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    QObject::disconnect(updated);
    QObject::disconnect(failed);
    return done();
}

int TilesShown(QListView *view)
{
    int shown = 0;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        shown +=
            view->visualRect(view->model()->index(row, 0)).intersects(view->viewport()->rect());
    }
    return shown;
}
}  // namespace

int main(int argc, char **argv)
{
    // Keep the developer's settings out of it: the window keeps its service
    // and geometry there.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int devices = argc > 1 ? std::clamp(atoi(argv[1]), 1, 1024) : 256;
    const int refreshes = argc > 2 ? std::max(atoi(argv[2]), 10) : 60;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const quint32 first = TestLoopback({kDevicePort}, devices);
    const quint16 notifyPort = FreeUdpPort();
    const quint16 httpPort = FreeTcpPort();

    // The service before the fleet: it holds its notification port before
    // the fleet's sockets take their ephemeral ports, one of which could be
    // it. Until the fleet serves, it finds its switches silent.
    QStringList arguments{"--listen",      QStringLiteral("127.0.0.1:%1").arg(httpPort),
                          "--notify-port", QString::number(notifyPort),
                          "--logs",        dir.filePath("logs"),
                          "--poll",        "1",
                          "--snapshot",    "0",
                          "--journal",     dir.filePath("journal.sqlite")};
    for (int k = 0; k < devices; ++k) {
        arguments << "--device"
                  << QString::fromLatin1(DeviceName(k)) + '=' + LoopbackText(first + quint32(k));
    }
    Child monitor;
    Ender endMonitor{monitor};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QVT_PASSWORD", "guest");
    monitor.setProcessEnvironment(env);
    monitor.setStandardOutputFile(dir.filePath("monitord.log"));
    monitor.setStandardErrorFile(dir.filePath("monitord.log"));
    monitor.start(bin + "/qvt-monitord", arguments);
    if (!monitor.waitForStarted(10000)) {
        std::fprintf(stderr, "qvt-monitord did not start\n");
        return 1;
    }

    Child fleet;
    Ender endFleet{fleet};
    if (!StartFleet(fleet, bin, first, devices, notifyPort)) {
        return 1;
    }
    // The console's answers are not looked at; read as they come, they
    // neither fill the pipe nor pile up in this process's memory.
    QObject::connect(&fleet, &QProcess::readyReadStandardOutput,
                     [&fleet] { fleet.readAllStandardOutput(); });

    // No widget and no network access manager before this point: their
    // first use is the window's.
    const long before = ResidentKiB();
    StationWindow window(nullptr, QStringLiteral("http://127.0.0.1:%1").arg(httpPort));
    window.resize(1600, 1000);
    window.show();
    StationFeed &feed = window.Feed();
    int updates = 0;
    int failures = 0;
    QString failed;
    bool allFine = false;
    QObject::connect(&feed, &StationFeed::Updated, [&](const QVector<StationDevice> &list, double) {
        ++updates;
        allFine = list.size() == devices;
        for (const StationDevice &device : list) {
            allFine = allFine && device.Status() == StationStatus::Fine;
        }
    });
    QObject::connect(&feed, &StationFeed::Failed, [&](const QString &why) {
        ++failures;
        failed = why;
    });
    // The service's start and every switch's login and route check.
    const auto serviceEnded = [&] { return monitor.state() == QProcess::NotRunning; };
    if (!RunUntil(
            feed, [&] { return allFine || serviceEnded(); }, 120000) ||
        serviceEnded()) {
        QFile log(dir.filePath("monitord.log"));
        log.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "not every switch up and routed in time (%s); qvt-monitord said:\n%s",
                     qPrintable(failed), log.read(2000).constData());
        return 1;
    }
    const int warmFrom = updates;
    RunUntil(
        feed, [&] { return updates >= warmFrom + kWarmRefreshes; }, (kWarmRefreshes + 10) * 1000);
    const int warmRefreshes = updates - warmFrom;
    const long warm = ResidentKiB();
    QListView *view = window.Form().listViewTiles;
    std::printf(
        "%d switches, the service polling each once a second; the window %d x %d, "
        "%d tiles in view\n\n",
        devices, window.width(), window.height(), TilesShown(view));

    // The refreshes, each timed as it comes; the changes for the next one go
    // to the fleet's console right after it.
    std::vector<double> readMs, updateMs, layoutMs, paintMs;
    std::vector<int> changedTiles;
    QVector<StationDevice> previous = window.Model().Devices();
    PaintCounter counter;
    view->viewport()->installEventFilter(&counter);
    QRandomGenerator pick(1);  // the same changes every run
    std::vector<bool> black(size_t(devices), false);
    bool stationLost = false;
    const QMetaObject::Connection timing = QObject::connect(
        &feed, &StationFeed::Updated, [&](const QVector<StationDevice> &list, double) {
            // The window's own slot ran first: its timing is this answer's.
            const StationWindow::Timing timed = window.LastTiming();
            const int paintsBefore = counter.paints;
            QElapsedTimer clock;
            clock.start();
            // What the event loop would do next: the new order's layout,
            // then the paint.
            view->doItemsLayout();
            const double laidOut = double(clock.nsecsElapsed()) / 1e6;
            view->viewport()->repaint();
            const double painted = double(clock.nsecsElapsed()) / 1e6 - laidOut;
            if (counter.paints == paintsBefore) {
                std::fprintf(stderr, "the viewport did not paint\n");
            }
            readMs.push_back(timed.readMs);
            updateMs.push_back(timed.updateMs);
            layoutMs.push_back(laidOut);
            paintMs.push_back(painted);
            int changed = list.size() == previous.size() ? 0 : list.size();
            for (int i = 0; i < list.size() && i < previous.size(); ++i) {
                changed += list[i] != previous[i];
            }
            changedTiles.push_back(changed);
            previous = list;

            QByteArray lines;
            if (readMs.size() % kStationEvery == 0) {
                stationLost = !stationLost;
                lines +=
                    QByteArray("@* alarm 2 signal-lost ") + (stationLost ? "on" : "off") + '\n';
            }
            for (int i = 0; i < kChangedPerSecond; ++i) {
                const int k = int(pick.bounded(devices));
                black[size_t(k)] = !black[size_t(k)];
                lines += '@' + QByteArray::number(k) + " alarm 1 video-black " +
                         (black[size_t(k)] ? "on" : "off") + '\n';
            }
            fleet.write(lines);  // written by the event loop: no wait here
        });
    StallMeter meter;
    const double refreshStall =
        meter.Measure([] {}, [&] { return int(readMs.size()) >= refreshes; });
    QObject::disconnect(timing);
    const long after = ResidentKiB();

    // The parse on its own, of the service's answers as they are now (some
    // switches in alarm), beside the same read from a bare socket.
    std::vector<double> parseMs, bareMs;
    int answerBytes = 0;
    for (int i = 0; i < refreshes; ++i) {
        const Reply reply = Get(httpPort, "/api/v1/devices");
        QString error;
        QElapsedTimer clock;
        clock.start();
        const QVector<StationDevice> list = ParseStationDevices(reply.body, &error);
        parseMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        bareMs.push_back(reply.ms);
        answerBytes = reply.body.size();
        if (list.size() != devices || !error.isEmpty()) {
            std::fprintf(stderr, "the service's answer did not parse: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::vector<double> totalMs, uiMs, stationTotalMs;
    for (size_t i = 0; i < readMs.size(); ++i) {
        const double ui = updateMs[i] + layoutMs[i] + paintMs[i];
        uiMs.push_back(ui);
        totalMs.push_back(readMs[i] + parseMs[i % parseMs.size()] + ui);
        if (changedTiles[i] >= devices / 2) {
            stationTotalMs.push_back(totalMs.back());
        }
    }

    // The service stopped: each read waits for its time-out. Two of them.
    QElapsedTimer phase;
    const int stoppedFrom = failures;
    const double stoppedStall = meter.Measure(
        [&] {
            phase.start();
            ::kill(pid_t(monitor.processId()), SIGSTOP);
        },
        [&] { return failures >= stoppedFrom + 2 || phase.elapsed() > 30000; });
    const double stoppedSeconds = double(phase.elapsed()) / 1000;
    const QString stoppedWhy = failed;
    const bool stale = window.Model().IsStale();
    // The service gone: each read is refused at once. Five of them.
    const int goneFrom = failures;
    const double goneStall = meter.Measure(
        [&] {
            phase.start();
            monitor.kill();
        },
        [&] { return failures >= goneFrom + 5 || phase.elapsed() > 30000; });
    const double goneSeconds = double(phase.elapsed()) / 1000;

    // The alarms' texts and their glyphs come only with the refreshes
    // measured: the larger figure is the window's.
    const double addedMiB = double(std::max(warm, after) - before) / 1024;
    std::printf(
        "Resident memory (VmRSS): before the window %.1f MiB; after %d refreshes, "
        "every switch fine, %.1f MiB (+%.1f); after %zu refreshes more, with alarms, "
        "%.1f MiB (+%.1f)\n  added by the window %.1f MiB   target < 20 MiB: %s\n\n",
        double(before) / 1024, warmRefreshes, double(warm) / 1024, double(warm - before) / 1024,
        readMs.size(), double(after) / 1024, double(after - before) / 1024, addedMiB,
        Verdict(addedMiB < 20));

    std::sort(changedTiles.begin(), changedTiles.end());
    std::printf("%zu refreshes; tiles changed in one: median %d, most %d; %d viewport paints\n",
                readMs.size(), changedTiles[changedTiles.size() / 2], changedTiles.back(),
                counter.paints);
    PrintMs("read (request to whole answer)", readMs);
    PrintMs(qPrintable(QStringLiteral("parse (%1 answers of %2 bytes, apart)")
                           .arg(parseMs.size())
                           .arg(answerBytes)),
            parseMs);
    PrintMs("model update and counts", updateMs);
    PrintMs("layout of the tiles", layoutMs);
    PrintMs("repaint of the tiles in view", paintMs);
    PrintMs("update, layout and repaint", uiMs);
    PrintMs("total", totalMs, 20);
    if (!stationTotalMs.empty()) {
        PrintMs(qPrintable(QStringLiteral("total, every switch changed (%1 refreshes)")
                               .arg(stationTotalMs.size())),
                stationTotalMs);
    }
    PrintMs("the same read from a bare socket", bareMs);

    std::printf("\nLongest stall of the user-interface thread\n");
    std::printf("  %-44s %7.1f ms   target < 50 ms: %s\n", "refreshing", refreshStall,
                Verdict(refreshStall < 50));
    std::printf("  %-44s %7.1f ms   target < 50 ms: %s\n",
                qPrintable(QStringLiteral("service stopped, %1 failures in %2 s")
                               .arg(goneFrom - stoppedFrom)
                               .arg(stoppedSeconds, 0, 'f', 1)),
                stoppedStall, Verdict(stoppedStall < 50));
    std::printf("  %-44s %7.1f ms   target < 50 ms: %s\n",
                qPrintable(QStringLiteral("service gone, %1 failures in %2 s")
                               .arg(failures - goneFrom)
                               .arg(goneSeconds, 0, 'f', 1)),
                goneStall, Verdict(goneStall < 50));
    std::printf("  (stopped: \"%s\", tiles %s; gone: \"%s\")\n", qPrintable(stoppedWhy),
                stale ? "faded" : "NOT faded", qPrintable(failed));

    fleet.write("quit\n");
    fleet.waitForFinished(5000);
    return 0;
}
