// bench_monitord --loss: the service on a lossy link. See bench_monitord.cpp.

#include "MonitordBench.h"

namespace MonitordBench {
namespace {
constexpr int kLostTargetMs = 8000;  // a device gone to qvt_up 0
}  // namespace

// Every device loses a tenth of its answers for `seconds`; /metrics is read
// every second. Meanwhile a signal loss is raised and cleared on a device
// drawn at random every 3 s, and halfway through the last device goes
// offline for 20 s. Nothing may read as lost but that device, which must be
// seen lost within kLostTargetMs and found again; every alarm must be in the
// log, once.
int RunLoss(QProcess &fleet, quint16 httpPort, const QString &logs, int devices, int seconds)
{
    const int gone = devices - 1;
    const QByteArray goneUp = Series("qvt_up", gone);
    Send(fleet, "@* fault drop 10");
    if (!Answer(fleet, 2000).startsWith("ok")) {
        std::fprintf(stderr, "the fleet refused the drop fault\n");
        return 1;
    }
    QHash<QByteArray, int> raised;  // "k|i|status" to times
    QElapsedTimer clock;
    clock.start();
    qint64 nextScrape = 0, nextAlarm = 3000, offlineAt = -1, lostMs = -1, foundMs = -1;
    int scrapes = 0, downSamples = 0, failures = 0;
    std::vector<double> scrapeMs;
    QList<QPair<int, int>> standing;  // alarms raised, to be cleared
    while (clock.elapsed() < seconds * 1000 || !standing.isEmpty()) {
        const qint64 now = clock.elapsed();
        if (now >= nextScrape) {
            nextScrape += 1000;
            const Reply r = Get(httpPort, "/metrics");
            ++scrapes;
            scrapeMs.push_back(r.ms);
            const QHash<QByteArray, QByteArray> up = Samples(r.body, "qvt_up{");
            for (auto i = up.cbegin(); i != up.cend(); ++i) {
                downSamples += i.key() != goneUp && i.value() == "0";
            }
            const QHash<QByteArray, QByteArray> polls = Samples(r.body, "qvt_poll_failures_total{");
            failures = 0;
            for (const QByteArray &v : polls) {
                failures += v.toInt();
            }
        }
        if (offlineAt < 0 && now >= seconds * 500) {
            Send(fleet, "@" + QByteArray::number(gone) + " offline 20");
            Answer(fleet, 2000);
            offlineAt = clock.elapsed();
        }
        if (offlineAt >= 0 && foundMs < 0) {
            const Reply r = Get(httpPort, "/probe?target=" + DeviceName(gone));
            const QByteArray up = Samples(r.body, "qvt_up{").value(goneUp);
            if (lostMs < 0 && up == "0") {
                lostMs = clock.elapsed() - offlineAt;
            } else if (lostMs >= 0 && up == "1") {
                foundMs = clock.elapsed() - offlineAt;
            }
        }
        if (now >= nextAlarm) {
            nextAlarm += 3000;
            for (const auto &alarm : standing) {
                Send(fleet, "@" + QByteArray::number(alarm.first) + " alarm " +
                                QByteArray::number(alarm.second) + " signal-lost off");
                Answer(fleet, 2000);
                ++raised[QByteArray::number(alarm.first) + '|' + QByteArray::number(alarm.second) +
                         "|Cleared"];
            }
            standing.clear();
            if (now < seconds * 1000) {
                const int k = int(LoopbackRandom().bounded(gone));
                const int input = 1 + int(LoopbackRandom().bounded(4));
                Send(fleet, "@" + QByteArray::number(k) + " alarm " + QByteArray::number(input) +
                                " signal-lost on");
                Answer(fleet, 2000);
                standing.append({k, input});
                ++raised[QByteArray::number(k) + '|' + QByteArray::number(input) + "|Asserted"];
            }
        }
        QThread::msleep(offlineAt >= 0 && foundMs < 0 ? 20 : 50);
    }
    Send(fleet, "@* fault clear");
    Answer(fleet, 2000);
    QThread::sleep(5);  // the last clearances' rows
    int falseLost = 0, missing = 0, doubled = 0;
    for (int k = 0; k < devices; ++k) {
        falseLost += k == gone ? 0 : RowsWith(logs, k, ",Connection Lost,Asserted,");
    }
    for (auto i = raised.cbegin(); i != raised.cend(); ++i) {
        const QList<QByteArray> key = i.key().split('|');
        const int rows =
            RowsWith(logs, key[0].toInt(), ",Input " + key[1] + ",Signal Lost," + key[2] + ',');
        missing += std::max(0, i.value() - rows);
        doubled += std::max(0, rows - i.value());
    }
    const int goneLost = RowsWith(logs, gone, ",Connection Lost,Asserted,");
    const int goneBack = RowsWith(logs, gone, ",Connection Lost,Cleared,");
    int alarms = 0;
    for (const int n : raised) {
        alarms += n;
    }
    std::printf("qvt-monitord, %d devices each losing 10 %% of its answers, %d s, poll 1 s:\n",
                devices, seconds);
    std::printf(
        "  /metrics read %d times (median %.2f ms): qvt_up 0 seen %d times on the %d "
        "devices never taken offline; %d polls left unanswered in all\n",
        scrapes, Median(scrapeMs), downSamples, devices - 1, failures);
    std::printf("  Connection Lost rows of those devices: %d   target 0: %s\n", falseLost,
                Verdict(falseLost == 0 && downSamples == 0));
    std::printf(
        "  signal-lost raised and cleared through the console: %d; rows missing %d, "
        "doubled %d: %s\n",
        alarms, missing, doubled, Verdict(missing == 0 && doubled == 0));
    std::printf(
        "  %s offline for 20 s: qvt_up 0 after %lld ms (target < %d ms: %s), 1 again "
        "after %lld ms; %d Connection Lost row(s), %d cleared\n",
        DeviceName(gone).constData(), lostMs, kLostTargetMs,
        Verdict(lostMs >= 0 && lostMs < kLostTargetMs), foundMs, goneLost, goneBack);
    return 0;
}

}  // namespace MonitordBench
