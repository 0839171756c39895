// CPU use of the tool while the AGC page is shown and its 32 meters follow the
// device's levels at the worker's poll rate. Not a test: run it by hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_agc [SECONDS]
// and keep docs/PERFORMANCE.md in step with what it prints.
// The device is a qvt-devsim process of its own in demo mode (its levels move
// all the time), so the process measured here is the tool alone. For
// comparison the same window is measured with the General page shown, which
// polls nothing.

#include "AGC.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "Pages.h"
#include "UdpSocket.h"
#include "VolumeColumnWidget.h"
#include "cfg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
const QString kAddress = QStringLiteral("127.0.9.6");

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QTreeWidgetItem *ItemOf(cfg &window, PageKey key)
{
    for (QTreeWidgetItemIterator it(window.Form().treeWidget); *it; ++it) {
        if (KeyOf(*it) == key) {
            return *it;
        }
    }
    return nullptr;
}

struct Run {
    double cpuPercent;
    int updates;   // level sets that reached the page
    int repaints;  // meter paints
};

// Counts the meter's paints.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

Run Measure(cfg &window, PageKey key, int seconds)
{
    window.ShowPageOf(ItemOf(window, key));
    int updates = 0;
    const QMetaObject::Connection counting =
        QObject::connect(window.Worker(), &CmdThread::NotifyAGCUpdate, [&updates] { ++updates; });
    PaintCounter counter;
    auto *agc = window.CurrentPages().Get<AGC>(PageKey::AGC);
    agc->Meter()->installEventFilter(&counter);
    // Settle first: the page's own reads and the first poll.
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    updates = 0;
    counter.paints = 0;
    const double before = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = CpuSeconds() - before;
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    QObject::disconnect(counting);
    agc->Meter()->removeEventFilter(&counter);
    return {100.0 * cpu / elapsed, updates, counter.paints};
}
}  // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    // A notification port that the system just gave out, so the receiver binds.
    UdpSocket probe;
    probe.Open();
    probe.Bind(0, 0);
    const quint16 port = probe.LocalPort();
    probe.Close();
    QProcess device;
    device.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    device.start(QCoreApplication::applicationDirPath() + QStringLiteral("/qvt-devsim"),
                 {QStringLiteral("--address"), kAddress, QStringLiteral("--model"),
                  QStringLiteral("50002"), QStringLiteral("--demo"), QStringLiteral("--notify"),
                  QStringLiteral("127.0.0.1:%1").arg(port)});
    if (!device.waitForReadyRead(5000) || !device.readLine().startsWith("ready")) {
        std::fprintf(stderr, "qvt-devsim did not start on %s\n", qPrintable(kAddress));
        return 1;
    }

    cfg window;
    window.show();
    const QString failure = window.ConnectWithoutDialog(kAddress, 0, QStringLiteral("admin"));
    if (!failure.isEmpty() || !window.CurrentPages().Find(PageKey::AGC)) {
        std::fprintf(stderr, "login failed: %s\n", qPrintable(failure));
        return 1;
    }
    const Run general = Measure(window, PageKey::General, seconds);
    const Run agc = Measure(window, PageKey::AGC, seconds);
    std::printf("CPU use of the tool over %d s each, share of one core:\n", seconds);
    std::printf("  General page (no poll)         %5.2f %%\n", general.cpuPercent);
    std::printf("  AGC page, meters following     %5.2f %%  (%d level sets, %d meter paints)\n",
                agc.cpuPercent, agc.updates, agc.repaints);
    device.write("quit\n");
    device.waitForFinished(3000);
    return 0;
}
