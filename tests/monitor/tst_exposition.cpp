#include "Exposition.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>

using Families = QVector<MetricFamily>;
Q_DECLARE_METATYPE(Families)

class TstExposition : public QObject
{
    Q_OBJECT

private slots:
    void text_data()
    {
        QTest::addColumn<Families>("families");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("warnings");

        MetricFamily up{"qvt_up", "Whether \\it\" answers.\nOr not.", MetricType::Gauge, {}};
        up.Add(1, {{"device", "a\\b \"c\"\nd"}, {"site", "演播室"}}).Add(0, {{"device", "e"}});
        MetricFamily alarms{"qvt_alarms_total", "Alarms raised.", MetricType::Counter, {}};
        alarms.Add(12);
        QTest::newRow("sorted, escaped")
            << Families{up, alarms}
            << QByteArray(
                   "# HELP qvt_alarms_total Alarms raised.\n# TYPE qvt_alarms_total counter\n"
                   "qvt_alarms_total 12\n"
                   "# HELP qvt_up Whether \\\\it\" answers.\\nOr not.\n# TYPE qvt_up gauge\n"
                   "qvt_up{device=\"a\\\\b \\\"c\\\"\\nd\",site=\"演播室\"} 1\n"
                   "qvt_up{device=\"e\"} 0\n")
            << QStringList();

        MetricFamily values{"qvt_v", "Values.", MetricType::Gauge, {}};
        for (const double v :
             {0.25, -3.0, 1e21, 1234567.0, 0.1, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
            values.Add(v, {{"n", QString::number(values.samples.size())}});
        }
        QTest::newRow("values") << Families{values}
                                << QByteArray(
                                       "# HELP qvt_v Values.\n# TYPE qvt_v gauge\n"
                                       "qvt_v{n=\"0\"} 0.25\nqvt_v{n=\"1\"} -3\n"
                                       "qvt_v{n=\"2\"} 1e+21\nqvt_v{n=\"3\"} 1234567\n"
                                       "qvt_v{n=\"4\"} 0.1\nqvt_v{n=\"5\"} NaN\n"
                                       "qvt_v{n=\"6\"} +Inf\nqvt_v{n=\"7\"} -Inf\n")
                                << QStringList();

        MetricFamily first{"qvt_joined", "First.", MetricType::Gauge, {}};
        MetricFamily second{"qvt_joined", "Second.", MetricType::Counter, {}};
        MetricFamily empty{"qvt_empty", "No samples.", MetricType::Gauge, {}};
        MetricFamily badName{"qvt-bad", "Bad name.", MetricType::Gauge, {}};
        MetricFamily badLabel{"qvt_labels", "Bad labels.", MetricType::Gauge, {}};
        first.Add(1, {{"k", "x"}});
        second.Add(2, {{"k", "y"}});
        badName.Add(1);
        badLabel.Add(1, {{"__x", "1"}}).Add(2, {{"k", "1"}, {"k", "2"}});
        const QString badSample =
            "metrics: a sample of qvt_labels has an invalid label name; left out";
        QTest::newRow("joined; empty and invalid left out")
            << Families{first, empty, badName, badLabel, second}
            << QByteArray(
                   "# HELP qvt_joined First.\n# TYPE qvt_joined gauge\n"
                   "qvt_joined{k=\"x\"} 1\nqvt_joined{k=\"y\"} 2\n")
            << QStringList{"metrics: qvt-bad is not a metric name; left out", badSample, badSample};
    }

    void text()
    {
        QFETCH(Families, families);
        QFETCH(QStringList, warnings);
        for (const QString &warning : warnings) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        }
        QTEST(Exposition::Text(families), "expected");
    }

    // Prometheus's own checker takes each exposition above without a word.
    void promtoolAccepts_data() { text_data(); }

    void promtoolAccepts()
    {
        const QString promtool = QStandardPaths::findExecutable("promtool");
        if (promtool.isEmpty()) {
            // QSKIP itself, with one argument, trips clang's -Wpedantic.
            QTest::qSkip("no promtool (Debian package prometheus; scripts/test installs it)",
                         __FILE__, __LINE__);
            return;
        }
        QFETCH(QByteArray, expected);
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(promtool, {"check", "metrics"});
        check.write(expected);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        const QByteArray output = check.readAll();
        QVERIFY2(
            check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0 && output.isEmpty(),
            output.constData());
    }
};

QTEST_GUILESS_MAIN(TstExposition)
#include "tst_exposition.moc"
