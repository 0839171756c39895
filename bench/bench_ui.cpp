// Start-up and login cost of the main window. Not a test: run it by hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_ui
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. Start-up to a shown window and resident memory after it, for the main
//     window against a bare Qt Widgets window of the same size, each in a
//     fresh process (the program runs itself with "bare" or "cfg").
//  2. From an accepted login to a filled General page, against an in-process
//     qvt-devsim.

#include "BenchCommon.h"
#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "General.h"
#include "SessionState.h"
#include "cfg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// Child: build and show one window, report when it is on screen.
int ShowOne(bool main)
{
    std::unique_ptr<QWidget> window;
    if (main) {
        window = std::make_unique<cfg>(new CfgNetClient);
    } else {
        window = std::make_unique<QWidget>();
    }
    window->resize(1150, 794);
    window->show();
    QApplication::processEvents();
    std::printf("shown rss %ld\n", ResidentKiB());
    std::fflush(stdout);
    return 0;
}

void StartUp(const QString &self)
{
    std::vector<double> ms[2];
    std::vector<double> rss[2];
    for (int round = 0; round < 15; ++round) {
        for (int kind = 0; kind < 2; ++kind) {
            QProcess child;
            QElapsedTimer clock;
            clock.start();
            child.start(self, {kind == 0 ? QStringLiteral("bare") : QStringLiteral("cfg")});
            child.waitForFinished(20000);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
            if (round > 0) {  // the first round warms the file cache
                ms[kind].push_back(elapsed);
                rss[kind].push_back(words.value(2).toDouble() / 1024.0);
            }
        }
    }
    std::printf("Start-up to a shown window, median of %zu fresh processes:\n", ms[0].size());
    std::printf("  bare QWidget   %6.1f ms  %5.1f MiB resident\n", Median(ms[0]), Median(rss[0]));
    std::printf("  main window    %6.1f ms  %5.1f MiB resident  (x%.2f time, x%.2f memory)\n",
                Median(ms[1]), Median(rss[1]), Median(ms[1]) / Median(ms[0]),
                Median(rss[1]) / Median(rss[0]));
}

void LoginToGeneral()
{
    DeviceSimulator::Options options;
    options.address = QStringLiteral("127.0.9.3");
    options.notify[0] = {0, 0};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on 127.0.9.3\n");
        return;
    }
    std::vector<double> ms;
    for (int round = 0; round < 30; ++round) {
        SessionState::SetOffline(1);
        cfg window(new CfgNetClient);
        window.show();
        QApplication::processEvents();
        QTreeWidgetItem *general = window.Form().treeWidget->topLevelItem(0);
        QElapsedTimer clock;
        clock.start();
        if (!window.ConnectWithoutDialog(options.address, 0, QStringLiteral("admin")).isEmpty()) {
            std::fprintf(stderr, "login failed\n");
            return;
        }
        window.ShowPageOf(general);
        const double elapsed = clock.nsecsElapsed() / 1e6;
        const QLabel *ip = window.CurrentPages().general->findChild<QLabel *>("labelIpAddress");
        if (ip->text() != options.address) {
            std::fprintf(stderr, "the General page was not filled\n");
            return;
        }
        if (round > 0) {
            ms.push_back(elapsed);
        }
    }
    std::printf("Accepted login to a filled General page, median of %zu: %.2f ms\n", ms.size(),
                Median(ms));
}
}  // namespace

int main(int argc, char **argv)
{
    // Keep the developer's settings out of it.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("bare") || mode == QLatin1String("cfg")) {
        return ShowOne(mode == QLatin1String("cfg"));
    }
    StartUp(QCoreApplication::applicationFilePath());
    LoginToGeneral();
    return 0;
}
