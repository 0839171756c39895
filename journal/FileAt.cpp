#include "JournalVersions.h"

#include "JournalDiff.h"
#include "XmlDocument.h"

#include <algorithm>

bool FileAt(Journal &journal, const QString &device, const QDateTime &at, PastFile *past,
            bool *found, QString *error)
{
    *past = PastFile();
    if (!journal.VersionAt(device, at, &past->version, found, error) || !*found) {
        return error->isEmpty();
    }
    XmlDocument doc;
    if (!doc.LoadContent(past->version.file)) {
        *error = QStringLiteral("version %1 of %2 is no parameter file: %3")
                     .arg(past->version.id)
                     .arg(device, doc.Problem());
        return false;
    }
    // After the version (which was read after everything recorded up to its
    // time), up to and including `at`.
    JournalFilter filter;
    filter.device = device;
    filter.since = past->version.when.addMSecs(1);
    filter.until = at.addMSecs(1);
    QVector<JournalEntry> entries = journal.History(filter, error);
    if (!error->isEmpty()) {
        return false;
    }
    std::reverse(entries.begin(), entries.end());  // oldest first
    for (const JournalEntry &entry : entries) {
        const FieldChange &change = entry.change;
        if (change.result != JournalResult::Taken || change.after.isNull()) {
            continue;
        }
        const QDomElement element = FindField(doc, change.field);
        if (element.isNull()) {
            if (!past->skipped.contains(change.field)) {
                past->skipped << change.field;
            }
            continue;
        }
        SetFieldText(element, change.after);
        ++past->applied;
    }
    doc.DeclareAsExported();
    past->file = doc.ToBytes();
    return true;
}
