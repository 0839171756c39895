#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Metrics in the Prometheus text exposition format, version 0.0.4.

enum class MetricType { Gauge, Counter };

struct MetricLabel {
    QByteArray name;  // [a-zA-Z_][a-zA-Z0-9_]*, not starting with "__"
    QString value;    // any text: escaped on output
};

struct MetricSample {
    QVector<MetricLabel> labels;  // written in this order
    double value = 0;
};

// One metric: its name, help text and type once, then its samples.
struct MetricFamily {
    QByteArray name;  // [a-zA-Z_:][a-zA-Z0-9_:]*; a counter's ends in _total
    QString help;
    MetricType type = MetricType::Gauge;
    QVector<MetricSample> samples;

    MetricFamily &Add(double value, QVector<MetricLabel> labels = {});
};

namespace Exposition {

// The Content-Type of Text()'s output.
inline constexpr char kContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// The families sorted by name (families of one name joined, the first's help
// and type kept), each sample in the order added. A family without samples
// writes nothing. A family with an invalid name, or a sample with an invalid
// or repeated label name, is left out with a warning, so that one mistake
// does not make Prometheus reject the whole scrape.
QByteArray Text(const QVector<MetricFamily> &families);

bool IsMetricName(const QByteArray &name);
bool IsLabelName(const QByteArray &name);

// The parts of Text(), for tests and for other writers.
QByteArray EscapeLabelValue(const QString &value);  // \ " and newline
QByteArray EscapeHelp(const QString &help);         // \ and newline
QByteArray FormatValue(double value);               // shortest exact; NaN, +Inf, -Inf

}  // namespace Exposition
