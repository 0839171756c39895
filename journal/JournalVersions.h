#pragma once

#include "Journal.h"

#include <QStringList>

// A device's parameter file as it was at a given time: its newest version
// at or before then, with the journal's entries after that version up to
// that time applied, oldest first. Only values the device took count; a
// dialog's field (network, destinations, passwords) is no part of the file.
struct PastFile {
    JournalVersion version;  // the version it starts from
    int applied = 0;         // entries applied on top of it
    QStringList skipped;     // fields of entries that no file holds
    QByteArray file;         // as the export would have written it then
};

// False with `error` when the journal cannot be read; `found` false when it
// holds no version of `device` (serial or address) at or before `at`.
bool FileAt(Journal &journal, const QString &device, const QDateTime &at, PastFile *past,
            bool *found, QString *error);
