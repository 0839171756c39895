#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <initializer_list>

// Metrics in the Prometheus text exposition format, version 0.0.4: the
// pieces every writer of the service's lines uses. Each family is declared
// once where it is written (its name, type and help in one place: the
// devices' in DeviceMetrics.cpp, the service's own in StationMonitor.cpp,
// the process's in ProcessMetrics.cpp), and Prometheus's promtool checks
// the whole of a scrape in the tests.
namespace Exposition {

// The Content-Type of the text.
inline constexpr char kContentType[] = "text/plain; version=0.0.4; charset=utf-8";

QByteArray EscapeLabelValue(const QString &value);  // \ " and newline
QByteArray EscapeHelp(const QString &help);         // \ and newline
QByteArray FormatValue(double value);               // shortest exact; NaN, +Inf, -Inf
// A family's "# HELP" and "# TYPE" lines.
QByteArray Head(const char *name, const char *type, const char *help);

// One metric family, declared once: its name, type, help and label names.
// Its head and its samples are written from the declaration, so a sample
// cannot carry another family's name or a label the family lacks.
struct Family {
    const char *name;
    const char *type;
    const char *help;
    std::array<const char *, 5> labels;  // in order; null past the last

    QByteArray Head() const { return Exposition::Head(name, type, help); }
    // One sample line into `out`: a value for each label, in order, as it
    // goes between the quotes (EscapeLabelValue'd where it may need it).
    void Sample(QByteArray &out, std::initializer_list<QByteArray> values,
                const QByteArray &value) const;
};

}  // namespace Exposition
