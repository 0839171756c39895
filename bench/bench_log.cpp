// The alarm log at scale and the status board's lamp latency. Not a test:
// run it by hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_log
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. Rows added in bursts of 200, each burst followed by the repaint it
//     causes, to a shown log page that holds 1,000 and 100,000 rows.
//  2. Resident memory of the main window showing its log page, before and
//     after 100,000 rows, each in a fresh process (the program runs itself
//     with "rss").
//  3. "Save As..." of the 100,000 rows.
//  4. From the device's notification datagram to the status board's lamp
//     repainted: the main window logged in to an in-process simulator, the
//     board shown, a power supply failing and recovering.

#include "../tests/common/FreeLoopback.h"
#include "BenchCommon.h"
#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "cfg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// The bench's own log directory, not the one beside the programs.
QString g_logs;

constexpr int kBurst = 200;
constexpr int kLarge = 100000;

void ShowPage(cfg &window, PageKey key)
{
    for (QTreeWidgetItemIterator it(window.Form().treeWidget); *it; ++it) {
        if ((*it)->data(0, kPageKeyRole).toInt() == static_cast<int>(key)) {
            window.ShowPageOf(*it);
            return;
        }
    }
}

// Counts the paints of a widget.
class PaintCount final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

// A window offline, with its log page shown.
struct LogWindow {
    static WindowOptions Options()
    {
        WindowOptions options;
        options.chooseLogFile = [](QWidget *, const QString &) { return file; };
        options.logDirectory = g_logs;
        return options;
    }
    LogWindow() : window(Options())
    {
        window.resize(1150, 794);
        window.show();
        ShowPage(window, PageKey::Alarm);
        window.AlarmLog()
            ->findChild<QAbstractItemView *>(QStringLiteral("tableWidgetAlarm"))
            ->viewport()
            ->installEventFilter(&painted);
        QApplication::processEvents();
    }
    // One burst as the receiver delivers it: events one by one, then the
    // event loop repaints. Each event's texts are its own, as the
    // receiver's are.
    void Burst(int count = kBurst)
    {
        static const char *const types[] = {"Signal Lost", "Video Black", "Audio Lost", "PS1 Fail"};
        for (int i = 0; i < count; ++i, ++n) {
            AlarmInfo info;
            info.time = start.addSecs(n);
            info.input = QStringLiteral("Input %1").arg(n % 4 + 1);
            info.alarmType = QString::fromLatin1(types[n % 4]);
            info.alarmStatus = QString::fromLatin1(n % 2 ? "Cleared" : "Asserted");
            info.notes = n % 4 == 2 ? QStringLiteral("CH%1").arg(n % 16 + 1) : QString();
            window.AlarmLog()->OnNotityAlarmInfo(info);
        }
        // Until the rows are on the screen.
        const int before = painted.paints;
        for (int turn = 0; turn < 100 && painted.paints == before; ++turn) {
            QApplication::processEvents();
        }
    }
    void FillTo(int rows)
    {
        while (n < rows) {
            Burst(std::min(kBurst, rows - n));
        }
    }

    static QString file;
    PaintCount painted;
    cfg window;
    QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
    int n = 0;
};
QString LogWindow::file;

void Bursts()
{
    std::printf("Rows added in bursts of %d, each burst with its repaint:\n", kBurst);
    LogWindow log;
    auto *view =
        log.window.AlarmLog()->findChild<QAbstractItemView *>(QStringLiteral("tableWidgetAlarm"));
    PaintCount painted;
    view->viewport()->installEventFilter(&painted);
    for (const int size : {1000, kLarge}) {
        log.FillTo(size);
        log.painted.paints = 0;
        std::vector<double> perRow;
        for (int round = 0; round < 101; ++round) {
            QElapsedTimer clock;
            clock.start();
            log.Burst();
            if (round > 0) {
                perRow.push_back(clock.nsecsElapsed() / 1e6 / kBurst);
            }
        }
        std::printf(
            "  at %6d rows: median %.4f ms a row, p90 %.4f, worst %.4f (%zu bursts, "
            "%d paints)\n",
            size, Median(perRow), Percentile(perRow, 0.9),
            *std::max_element(perRow.begin(), perRow.end()), perRow.size(), painted.paints);
    }
}

// Child: the window and its log page, resident memory before and after the
// rows.
int Resident()
{
    LogWindow log;
    QApplication::processEvents();
    const long before = ResidentKiB();
    log.FillTo(kLarge);
    QApplication::processEvents();
    std::printf("%ld %ld\n", before, ResidentKiB());
    return 0;
}

void Memory(const QString &self)
{
    std::vector<double> before, after;
    for (int round = 0; round < 5; ++round) {
        QProcess child;
        child.start(self, {QStringLiteral("rss")});
        child.waitForFinished(600000);
        const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
        before.push_back(words.value(0).toDouble() / 1024.0);
        after.push_back(words.value(1).toDouble() / 1024.0);
    }
    std::printf("Resident memory, main window with its log page shown, median of %zu processes:\n",
                after.size());
    std::printf(
        "  no rows        %6.1f MiB\n  %d rows   %6.1f MiB (%.0f bytes a row; range "
        "%.1f-%.1f)\n",
        Median(before), kLarge, Median(after),
        (Median(after) - Median(before)) * 1024 * 1024 / kLarge,
        *std::min_element(after.begin(), after.end()),
        *std::max_element(after.begin(), after.end()));
}

void SaveAs()
{
    QTemporaryDir dir;
    LogWindow::file = dir.filePath(QStringLiteral("large.csv"));
    LogWindow log;
    log.FillTo(kLarge);
    std::vector<double> ms;
    for (int round = 0; round < 11; ++round) {
        QElapsedTimer clock;
        clock.start();
        log.window.AlarmLog()->OnSaveAs();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("Save As of %d rows (%lld bytes), median of %zu: %.1f ms, worst %.1f ms\n", kLarge,
                QFileInfo(LogWindow::file).size(), ms.size(), Median(ms),
                *std::max_element(ms.begin(), ms.end()));
}

// Times the lamp's paint events.
class PaintClock final : public QObject
{
public:
    explicit PaintClock(QElapsedTimer &clock) : m_clock(clock) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = m_clock.nsecsElapsed();
            style = static_cast<QLabel *>(watched)->styleSheet();
        }
        return false;
    }
    qint64 painted = -1;
    QString style;

private:
    QElapsedTimer &m_clock;
};

void LampLatency()
{
    DeviceSimulator::Options options;
    // A loopback address nobody else holds: other trees run their tests here.
    options.address = TestAddress();
    options.notify[0] = {0x7F000001, FreeUdpPort()};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on %s\n", qPrintable(options.address));
        return;
    }
    device.WithModel([](DeviceModel &m) { m.systemEnable = 0x1FFFF; });
    WindowOptions windowOptions;
    windowOptions.logDirectory = g_logs;
    cfg window(windowOptions);
    window.resize(1150, 794);
    window.show();
    // A message box would hold the loop below in its own: say what it said.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        }
    });
    boxes.start(50);
    if (!window.ConnectWithoutDialog(options.address, 0, QStringLiteral("admin")).isEmpty()) {
        std::fprintf(stderr, "login failed\n");
        return;
    }
    ShowPage(window, PageKey::Status);
    auto *lamp = window.CurrentPage()->findChild<QLabel *>(QStringLiteral("labelPS1Fail"));
    QElapsedTimer clock;
    clock.start();
    PaintClock paints(clock);
    lamp->installEventFilter(&paints);
    auto waitFor = [&](const char *colour, qint64 after) {
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
            if (paints.painted > after && paints.style.contains(QLatin1String(colour))) {
                return (paints.painted - after) / 1e6;
            }
        }
        return -1.0;
    };
    if (waitFor("green", 0) < 0) {
        std::fprintf(stderr, "the board never showed PS1 green\n");
        return;
    }
    std::vector<double> ms;
    for (int round = 0; round < 41; ++round) {
        // Notifications come whenever the device likes, not in step with
        // the board's poll.
        const int idle = QRandomGenerator::global()->bounded(1000);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < idle) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const bool on = round % 2 == 0;
        const qint64 sent = clock.nsecsElapsed();
        device.Command(on ? QStringLiteral("system 15 on") : QStringLiteral("system 15 off"));
        const double latency = waitFor(on ? "yellow" : "green", sent);
        if (latency < 0) {
            std::fprintf(stderr, "the lamp did not follow\n");
            return;
        }
        if (round > 0) {
            ms.push_back(latency);
        }
    }
    std::printf(
        "Notification datagram to lamp repainted, %zu events: median %.2f ms, p10 %.2f, "
        "p90 %.2f, worst %.2f\n",
        ms.size(), Median(ms), Percentile(ms, 0.1), Percentile(ms, 0.9),
        *std::max_element(ms.begin(), ms.end()));
}
}  // namespace

int main(int argc, char **argv)
{
    // Keep the developer's settings and logs out of it.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", config.path().toLocal8Bit());
    g_logs = config.filePath(QStringLiteral("logs"));
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("rss")) {
        return Resident();
    }
    if (mode.isEmpty() || mode == QLatin1String("bursts")) {
        Bursts();
    }
    if (mode.isEmpty() || mode == QLatin1String("memory")) {
        Memory(QCoreApplication::applicationFilePath());
    }
    if (mode.isEmpty() || mode == QLatin1String("csv")) {
        SaveAs();
    }
    if (mode.isEmpty() || mode == QLatin1String("lamp")) {
        LampLatency();
    }
    return 0;
}
