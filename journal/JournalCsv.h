#pragma once

#include "JournalTypes.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// History entries as a CSV file, by the alarm log's rules (status/AlarmCsv):
// a cell with a comma, a double quote or a line break goes in double quotes
// with inner quotes doubled; "\n" line ends; Latin-1 when every character
// fits, else UTF-8 after a byte-order mark.
//
// A header line, then one line per entry:
//   Time (UTC),UTC Offset,Computer,OS User,Program,Version,Device Serial,
//   Device Address,Device Model,Login User,Operation,Source,Field,Before,
//   After,Result,Result Code,Operation Id,Changed After (UTC),Detected By
// Times as "yyyy-MM-dd hh:mm:ss.zzz", offset as "+01:00"; a missing value (a
// field on one side only) as an empty cell. The last two only for a change
// found outside the tool: the time after which it happened, and the
// computer that found it.
QString HistoryCsvText(const QVector<JournalEntry> &entries);
QByteArray HistoryCsv(const QVector<JournalEntry> &entries);
