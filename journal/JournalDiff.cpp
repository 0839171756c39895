#include "JournalDiff.h"

#include "XmlDocument.h"

#include <QRegularExpression>

QMap<QString, QString> FlattenDocument(const XmlDocument &doc)
{
    QMap<QString, QString> fields;
    for (const auto &value : doc.Values()) {
        fields.insert(value.first, value.second);
    }
    return fields;
}

QVector<FieldChange> Changes(const QMap<QString, QString> &before,
                             const QMap<QString, QString> &after)
{
    QVector<FieldChange> changes;
    auto b = before.cbegin();
    auto a = after.cbegin();
    // Both maps are in path order: one pass over the two.
    while (b != before.cend() || a != after.cend()) {
        if (a == after.cend() || (b != before.cend() && b.key() < a.key())) {
            changes.append({b.key(), b.value(), QString()});
            ++b;
        } else if (b == before.cend() || a.key() < b.key()) {
            changes.append({a.key(), QString(), a.value()});
            ++a;
        } else {
            if (b.value() != a.value()) {
                changes.append({b.key(), b.value(), a.value()});
            }
            ++b;
            ++a;
        }
    }
    return changes;
}

QDomElement FindField(const XmlDocument &doc, const QString &path)
{
    static const QRegularExpression step(QStringLiteral("^([^\\[]+)(?:\\[(\\d+)\\])?$"));
    QDomElement at = doc.Root();
    for (const QString &name : path.split(QLatin1Char('/'))) {
        const QRegularExpressionMatch match = step.match(name);
        if (!match.hasMatch() || at.isNull()) {
            return QDomElement();
        }
        const int index = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        at = at.firstChildElement(match.captured(1));
        for (int n = 1; n < index && !at.isNull(); ++n) {
            at = at.nextSiblingElement(match.captured(1));
        }
    }
    return at.isNull() || !at.firstChildElement().isNull() ? QDomElement() : at;
}

void SetFieldText(QDomElement element, const QString &text)
{
    while (!element.firstChild().isNull()) {
        element.removeChild(element.firstChild());
    }
    element.appendChild(element.ownerDocument().createTextNode(text));
}

bool IsDialogField(const QString &field)
{
    for (const char *dialog : {"Network/", "NotificationDest/", "Password/"}) {
        if (field.startsWith(QLatin1String(dialog))) {
            return true;
        }
    }
    return false;
}
