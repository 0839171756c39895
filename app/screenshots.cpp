// qvt-screenshots: logs in to a device off screen and saves a picture of the
// main window showing each page of the tree.
//   qvt-screenshots ADDRESS DIRECTORY
//   qvt-screenshots --station URL FILE   the station window on a qvt-monitord
// scripts/demo --screenshots and --station run it against simulators.

#include "BaseWidget.h"
#include "CfgNetClient.h"
#include "StationWindow.h"
#include "cfg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <cstring>

namespace {
void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// The station window once it shows the service's tiles.
int StationPicture(const QString &url, const QString &file)
{
    StationWindow station(nullptr, url);
    station.resize(1150, 640);
    station.show();
    QElapsedTimer clock;
    clock.start();
    while (station.Model().rowCount() == 0 && clock.elapsed() < 10000) {
        Settle(100);
    }
    Settle(1500);
    if (station.Model().rowCount() == 0 || !station.grab().save(file)) {
        std::fprintf(stderr, "no picture of %s: %s\n", qPrintable(url),
                     qPrintable(station.Form().labelState->text()));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}
}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[1], "--station") == 0)) {
        std::fprintf(stderr,
                     "usage: qvt-screenshots ADDRESS DIRECTORY\n"
                     "       qvt-screenshots --station URL FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    if (argc == 4) {
        return StationPicture(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    const QString address = QString::fromLocal8Bit(argv[1]);
    QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    cfg window;
    window.resize(1150, 794);
    window.show();
    const QString failure = window.ConnectWithoutDialog(address, 0, QStringLiteral("admin"));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "login to %s failed: %s\n", argv[1], qPrintable(failure));
        return 1;
    }
    Settle(1500);  // past the version check

    int n = 0;
    int saved = 0;
    const BaseWidget *last = nullptr;
    for (QTreeWidgetItemIterator it(window.Form().treeWidget); *it; ++it) {
        QTreeWidgetItem *item = *it;
        if (item->childCount() > 0) {
            continue;
        }
        window.ShowPageOf(item);
        if (window.CurrentPage() == nullptr || window.CurrentPage() == last) {
            continue;  // no page, or the same page again
        }
        last = window.CurrentPage();
        Settle(400);
        QString name = item->text(0);
        if (item->parent()) {
            name = item->parent()->text(0) + QLatin1Char('-') + name;
        }
        name.replace(QLatin1Char(' '), QLatin1Char('-')).replace(QLatin1Char('/'), QString());
        const QString file =
            out.filePath(QStringLiteral("%1-%2.png").arg(++n, 2, 10, QLatin1Char('0')).arg(name));
        if (window.grab().save(file)) {
            std::printf("%s\n", qPrintable(file));
            ++saved;
        }
        // A page taller than the window (the AGC page and its meters) also
        // gets a picture of its lower part, once the live values have moved.
        QScrollBar *scroll = window.Form().scrollArea->verticalScrollBar();
        if (scroll->maximum() > 0) {
            scroll->setValue(scroll->maximum());
            Settle(1500);
            const QString lower =
                QString(file).replace(QLatin1String(".png"), QLatin1String("-lower.png"));
            if (window.grab().save(lower)) {
                std::printf("%s\n", qPrintable(lower));
            }
        }
    }
    return saved > 0 ? 0 : 1;
}
