#include "JournalDiff.h"

#include "XmlDocument.h"

#include <QDomElement>
#include <QHash>

namespace {
void Walk(const QDomElement &parent, const QString &path, QMap<QString, QString> &fields)
{
    QHash<QString, int> seen;
    for (QDomElement child = parent.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const int n = ++seen[child.tagName()];
        QString name = path + child.tagName();
        if (n > 1) {
            name += QStringLiteral("[%1]").arg(n);
        }
        if (child.firstChildElement().isNull()) {
            const QString text = child.text();
            fields.insert(name, text.isNull() ? QStringLiteral("") : text);
        } else {
            Walk(child, name + QLatin1Char('/'), fields);
        }
    }
}
}  // namespace

QMap<QString, QString> FlattenDocument(const XmlDocument &doc)
{
    QMap<QString, QString> fields;
    Walk(doc.Root(), QString(), fields);
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
