#include "ParamField.h"

#include "Message.h"

namespace {
void Limits(WireType type, qint64 *low, qint64 *high)
{
    switch (type) {
        case WireType::U8:
            *low = 0, *high = 0xFF;
            break;
        case WireType::U16:
            *low = 0, *high = 0xFFFF;
            break;
        case WireType::U32:
            *low = 0, *high = 0xFFFFFFFFLL;
            break;
        case WireType::I8:
            *low = -0x80, *high = 0x7F;
            break;
        case WireType::I16:
            *low = -0x8000, *high = 0x7FFF;
            break;
        case WireType::I32:
            *low = -0x80000000LL, *high = 0x7FFFFFFF;
            break;
    }
}
}  // namespace

bool Fits(qint64 value, WireType type)
{
    qint64 low = 0, high = 0;
    Limits(type, &low, &high);
    return value >= low && value <= high;
}

bool ParseValue(const QString &text, WireType type, qint64 *value, QString *reason)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *reason = QCoreApplication::translate("ParamField", "empty");
        return false;
    }
    const int digitsFrom =
        (trimmed.startsWith(QLatin1Char('-')) || trimmed.startsWith(QLatin1Char('+'))) ? 1 : 0;
    bool digits = trimmed.size() > digitsFrom;
    for (int i = digitsFrom; i < trimmed.size(); ++i) {
        digits = digits && trimmed[i] >= QLatin1Char('0') && trimmed[i] <= QLatin1Char('9');
    }
    if (!digits) {
        *reason = QCoreApplication::translate("ParamField", "\"%1\" is not a decimal number")
                      .arg(trimmed);
        return false;
    }
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok, 10);
    qint64 low = 0, high = 0;
    Limits(type, &low, &high);
    if (!ok || number < low || number > high) {
        *reason = QCoreApplication::translate("ParamField", "%1 does not fit (%2 to %3)")
                      .arg(trimmed)
                      .arg(low)
                      .arg(high);
        return false;
    }
    *value = number;
    return true;
}

QString ProblemAt(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(path, reason);
}

DocPlace RootPlace(const XmlDocument &doc)
{
    return {doc.Root(), doc.Root().tagName()};
}

DocPlace Below(const DocPlace &from, const QString &path, QString *problem)
{
    DocPlace at = from;
    for (const QString &step : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        at.path += QLatin1Char('/') + step;
        at.element = at.element.firstChildElement(step);
        if (at.element.isNull()) {
            *problem = ProblemAt(at.path, QCoreApplication::translate("ParamField", "missing"));
            return at;
        }
    }
    return at;
}

bool ReadValue(const DocPlace &from, const QString &path, WireType type, qint64 *value,
               QString *problem)
{
    const DocPlace at = Below(from, path, problem);
    if (at.element.isNull()) {
        return false;
    }
    QString reason;
    if (!ParseValue(at.element.text(), type, value, &reason)) {
        *problem = ProblemAt(at.path, reason);
        return false;
    }
    return true;
}

QString DeviceFailure(const char *operation, int result)
{
    const QString name = QString::fromLatin1(operation);
    if (result <= 0) {
        return QStringLiteral("%1: %2").arg(name,
                                            QCoreApplication::translate("ParamField", "no answer"));
    }
    const QString resultName = ResultName(static_cast<quint32>(result));
    return QStringLiteral("%1: %2").arg(
        name, resultName.isEmpty()
                  ? QCoreApplication::translate("ParamField", "result %1").arg(result)
                  : resultName);
}
