#include "JournalDiff.h"

#include "XmlDocument.h"

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
