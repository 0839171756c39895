#include "Exposition.h"

#include <QtDebug>

#include <charconv>
#include <cmath>
#include <map>

namespace {

bool IsNameChar(char c, bool first, bool colon)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colon && c == ':') ||
           (!first && c >= '0' && c <= '9');
}

bool IsName(const QByteArray &name, bool colon)
{
    if (name.isEmpty()) {
        return false;
    }
    for (int i = 0; i < name.size(); ++i) {
        if (!IsNameChar(name[i], i == 0, colon)) {
            return false;
        }
    }
    return true;
}

QByteArray TypeName(MetricType type)
{
    return type == MetricType::Counter ? "counter" : "gauge";
}

bool LabelsValid(const QVector<MetricLabel> &labels)
{
    for (int i = 0; i < labels.size(); ++i) {
        if (!Exposition::IsLabelName(labels[i].name)) {
            return false;
        }
        for (int j = 0; j < i; ++j) {
            if (labels[j].name == labels[i].name) {
                return false;
            }
        }
    }
    return true;
}

void WriteSample(QByteArray &out, const QByteArray &name, const MetricSample &sample)
{
    out += name;
    if (!sample.labels.isEmpty()) {
        out += '{';
        for (int i = 0; i < sample.labels.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += sample.labels[i].name;
            out += "=\"";
            out += Exposition::EscapeLabelValue(sample.labels[i].value);
            out += '"';
        }
        out += '}';
    }
    out += ' ';
    out += Exposition::FormatValue(sample.value);
    out += '\n';
}

}  // namespace

MetricFamily &MetricFamily::Add(double value, QVector<MetricLabel> labels)
{
    samples.append(MetricSample{std::move(labels), value});
    return *this;
}

bool Exposition::IsMetricName(const QByteArray &name)
{
    return IsName(name, true);
}

bool Exposition::IsLabelName(const QByteArray &name)
{
    // Names starting with "__" are Prometheus's own.
    return IsName(name, false) && !name.startsWith("__");
}

QByteArray Exposition::EscapeLabelValue(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

QByteArray Exposition::EscapeHelp(const QString &help)
{
    const QByteArray utf8 = help.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

QByteArray Exposition::FormatValue(double value)
{
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    // The shortest text that reads back as the same double: 3, 0.25, 1e+21.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, static_cast<int>(result.ptr - buffer));
}

QByteArray Exposition::Text(const QVector<MetricFamily> &families)
{
    // By name, so that the output does not depend on the order the caller
    // gathered them in; pointers, as the samples stay where they are.
    std::map<QByteArray, QVector<const MetricFamily *>> byName;
    for (const MetricFamily &family : families) {
        if (!IsMetricName(family.name)) {
            qWarning("metrics: %s is not a metric name; left out", family.name.constData());
            continue;
        }
        byName[family.name].append(&family);
    }

    QByteArray out;
    for (const auto &[name, parts] : byName) {
        QByteArray samples;
        for (const MetricFamily *part : parts) {
            for (const MetricSample &sample : part->samples) {
                if (LabelsValid(sample.labels)) {
                    WriteSample(samples, name, sample);
                } else {
                    qWarning("metrics: a sample of %s has an invalid label name; left out",
                             name.constData());
                }
            }
        }
        if (samples.isEmpty()) {
            continue;
        }
        const MetricFamily &first = *parts.first();
        out += "# HELP " + name;
        if (!first.help.isEmpty()) {
            out += ' ' + EscapeHelp(first.help);
        }
        out += '\n';
        out += "# TYPE " + name + ' ' + TypeName(first.type) + '\n';
        out += samples;
    }
    return out;
}
