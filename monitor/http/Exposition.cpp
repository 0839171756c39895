#include "Exposition.h"

#include <charconv>
#include <cmath>

namespace {
// Backslash and newline always; the double quote only inside a label value.
QByteArray Escape(const QString &text, bool quote)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '"' && quote) {
            out += "\\\"";
        } else {
            out += c;
        }
    }
    return out;
}
}  // namespace

QByteArray Exposition::EscapeLabelValue(const QString &value)
{
    return Escape(value, true);
}

QByteArray Exposition::EscapeHelp(const QString &help)
{
    return Escape(help, false);
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

QByteArray Exposition::Head(const char *name, const char *type, const char *help)
{
    return QByteArray("# HELP ") + name + ' ' + EscapeHelp(QString::fromUtf8(help)) + "\n# TYPE " +
           name + ' ' + type + '\n';
}

void Exposition::Family::Sample(QByteArray &out, std::initializer_list<QByteArray> values,
                                const QByteArray &value) const
{
    out += name;
    size_t k = 0;
    for (const QByteArray &labelValue : values) {
        Q_ASSERT(k < labels.size() && labels[k]);  // a value for a label the family lacks
        out += k == 0 ? '{' : ',';
        out += labels[k];
        out += "=\"";
        out += labelValue;
        out += '"';
        ++k;
    }
    Q_ASSERT(k == labels.size() || !labels[k]);  // a label without its value
    if (k > 0) {
        out += '}';
    }
    out += ' ';
    out += value;
    out += '\n';
}
