#include "Exposition.h"

#include <charconv>
#include <cmath>

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

QByteArray Exposition::Head(const char *name, const char *type, const char *help)
{
    return QByteArray("# HELP ") + name + ' ' + EscapeHelp(QString::fromUtf8(help)) + "\n# TYPE " +
           name + ' ' + type + '\n';
}
