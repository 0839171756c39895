// Start-up and login cost of the main window. Not a test: run it by hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_ui
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. Start-up to a shown window and resident memory after it, for the main
//     window against a bare Qt Widgets window of the same size, each in a
//     fresh process (the program runs itself with "bare" or "cfg").
//  2. From an accepted login to a filled General page, against an in-process
//     qvt-devsim.
//  3. The longest stall of the user-interface event loop during a login, page
//     switches, an export, an import and a disconnect against the simulator,
//     and during a disconnect from a device that stopped answering while
//     the two workers had exchanges in flight.

#include "../tests/common/FreeLoopback.h"
#include "BenchCommon.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceSimulator.h"
#include "General.h"
#include "cfg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <functional>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Child: build and show one window, report when it is on screen.
int ShowOne(bool main)
{
    std::unique_ptr<QWidget> window;
    if (main) {
        window = std::make_unique<cfg>();
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
        cfg window;
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
        const QLabel *ip =
            window.CurrentPages().Find(PageKey::General)->findChild<QLabel *>("labelIpAddress");
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

// Answers every message box as it appears: Yes where there is one, else OK.
class BoxAnswerer final
{
public:
    BoxAnswerer()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) {
                return;
            }
            texts << box->text();
            QAbstractButton *button = box->button(QMessageBox::Yes);
            (button ? button : box->button(QMessageBox::Ok))->click();
        });
        m_poll.start(1);
    }
    QStringList texts;

private:
    QTimer m_poll;
};

void EventLoopStalls()
{
    DeviceSimulator::Options options;
    // Picked at run time, so that two benchmarks or test runs never share it.
    options.address = TestAddress();
    options.notify[0] = {0x7F000001, FreeUdpPort()};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on %s\n", qPrintable(options.address));
        return;
    }
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("bench.xml"));
    const char *names[] = {"login",  "page switch", "export",
                           "import", "disconnect",  "disconnect, dead device"};
    std::vector<double> worst[6];
    for (int round = 0; round < 21; ++round) {
        WindowOptions windowOptions;
        windowOptions.chooseFile = [file](bool) { return file; };
        cfg window(windowOptions);
        window.show();
        BoxAnswerer boxes;
        StallMeter meter;
        bool done = false;
        auto run = [&](int kind, const std::function<void()> &op,
                       const std::function<bool()> &finished) {
            done = false;
            const double ms = meter.Measure(op, finished);
            if (round > 0) {  // the first round warms caches
                worst[kind].push_back(ms);
            }
        };
        auto flag = [&done] { return done; };
        run(
            0,
            [&] {
                window.ConnectWithoutDialog(options.address, 0, QStringLiteral("admin"));
                done = true;
            },
            flag);
        QTreeWidget *tree = window.Form().treeWidget;
        run(
            1,
            [&] {
                for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                    window.ShowPageOf(*it);
                }
                done = true;
            },
            flag);
        const int before = boxes.texts.size();
        auto answered = [&boxes, before](int n) { return boxes.texts.size() >= before + n; };
        run(
            2, [&] { window.OnExport(); }, [&] { return answered(1); });
        run(
            3, [&] { window.OnImport(); }, [&] { return answered(2); });
        run(
            4, [&] { window.OnDisConnect(); }, [&] { return answered(3); });

        // A device that stops answering while the GPIO poll and the version
        // read are on their way: both wait up to 4 s for it.
        window.ConnectWithoutDialog(options.address, 0, QStringLiteral("admin"));
        device.Command(QStringLiteral("offline 60"));
        const quint64 sent = device.RequestsReceived();
        window.Worker()->SetPoll({&CmdThread::PollGpio, 3000});
        window.OnMatchVersion();
        QElapsedTimer wait;
        wait.start();
        while (device.RequestsReceived() == sent && wait.elapsed() < 1000) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        run(
            5, [&] { window.OnDisConnect(); }, [&] { return answered(4); });
        device.Command(QStringLiteral("offline 0"));
    }
    std::printf("Longest stall of the user-interface event loop, over %zu rounds:\n",
                worst[0].size());
    for (int kind = 0; kind < 6; ++kind) {
        std::printf("  %-24s median %6.1f ms  worst %6.1f ms\n", names[kind], Median(worst[kind]),
                    *std::max_element(worst[kind].begin(), worst[kind].end()));
    }
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
    if (mode == QLatin1String("stalls")) {
        EventLoopStalls();
        return 0;
    }
    StartUp(QCoreApplication::applicationFilePath());
    LoginToGeneral();
    EventLoopStalls();
    return 0;
}
