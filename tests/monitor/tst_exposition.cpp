// The exposition format's pieces: escaping of label values and help, the
// shortest exact value, and a family's head, each as Prometheus reads it
// (its promtool checks a text made of them).

#include "Exposition.h"
#include "ProcessMetrics.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>

class TstExposition : public QObject
{
    Q_OBJECT

private slots:
    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("label");
        QTest::addColumn<QByteArray>("help");
        QTest::newRow("plain") << "studio-a" << QByteArray("studio-a") << QByteArray("studio-a");
        QTest::newRow("backslash, quote, newline")
            << "a\\b \"c\"\nd" << QByteArray("a\\\\b \\\"c\\\"\\nd")
            << QByteArray("a\\\\b \"c\"\\nd");
        QTest::newRow("Chinese, as UTF-8")
            << QString::fromUtf8("演播室") << QByteArray("演播室") << QByteArray("演播室");
        QTest::newRow("empty") << "" << QByteArray() << QByteArray();
    }

    void escaping()
    {
        QFETCH(QString, text);
        QTEST(Exposition::EscapeLabelValue(text), "label");
        QTEST(Exposition::EscapeHelp(text), "help");
    }

    void values_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("quarter") << 0.25 << QByteArray("0.25");
        QTest::newRow("negative whole") << -3.0 << QByteArray("-3");
        QTest::newRow("large") << 1e21 << QByteArray("1e+21");
        QTest::newRow("whole") << 1234567.0 << QByteArray("1234567");
        QTest::newRow("tenth, exact") << 0.1 << QByteArray("0.1");
        QTest::newRow("a time in ms") << 1796678350.223 << QByteArray("1796678350.223");
        QTest::newRow("NaN") << std::nan("") << QByteArray("NaN");
        QTest::newRow("+Inf") << HUGE_VAL << QByteArray("+Inf");
        QTest::newRow("-Inf") << -HUGE_VAL << QByteArray("-Inf");
    }

    void values()
    {
        QFETCH(double, value);
        QTEST(Exposition::FormatValue(value), "text");
    }

    // Prometheus's own checker takes a text made of the pieces, with every
    // hard case, and this process's own figures, without a word.
    void promtoolAccepts()
    {
        const QString promtool = QStandardPaths::findExecutable("promtool");
        if (promtool.isEmpty()) {
            // QSKIP itself, with one argument, trips clang's -Wpedantic.
            QTest::qSkip("no promtool (Debian package prometheus; scripts/test installs it)",
                         __FILE__, __LINE__);
            return;
        }
        const Exposition::Family up = {
            "qvt_up", "gauge", "Whether \\it\" answers.\nOr not.", {"device", "input"}};
        QByteArray text = up.Head();
        for (const QString &device :
             {QStringLiteral("a\\b \"c\"\nd"), QString::fromUtf8("演播室")}) {
            up.Sample(text, {Exposition::EscapeLabelValue(device), "B-Input 1"}, "1");
        }
        QVERIFY(text.endsWith("qvt_up{device=\"演播室\",input=\"B-Input 1\"} 1\n"));
        const Exposition::Family values = {"qvt_v", "gauge", "Values.", {"n"}};
        text += values.Head();
        int n = 0;
        for (const double v : {0.25, 1e21, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
            values.Sample(text, {QByteArray::number(n++)}, Exposition::FormatValue(v));
        }
        QVERIFY(text.endsWith("\nqvt_v{n=\"4\"} -Inf\n"));
        text += ProcessMetricsText();
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(promtool, {"check", "metrics"});
        check.write(text);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        const QByteArray output = check.readAll();
        QVERIFY2(
            check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0 && output.isEmpty(),
            (output + text).constData());
    }
};

QTEST_GUILESS_MAIN(TstExposition)
#include "tst_exposition.moc"
