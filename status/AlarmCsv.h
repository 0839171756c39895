#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class CfgNetClient;

// The alarm log's CSV file, without widgets: what the page writes at the
// daily auto-save, at a backup and with "Save As...", and where it puts it.
namespace AlarmCsv {

// The device the log belongs to, written above the rows.
struct Preamble {
    QString moduleType;
    QString productSN;
    QString firmwareVersion;
    QString fpgaVersion;
    QString ipAddress;
};

inline bool operator==(const Preamble &a, const Preamble &b)
{
    return a.moduleType == b.moduleType && a.productSN == b.productSN &&
           a.firmwareVersion == b.firmwareVersion && a.fpgaVersion == b.fpgaVersion &&
           a.ipAddress == b.ipAddress;
}

// One log row: number, time, input, alarm type, alarm status, notes.
using Row = QStringList;

// A cell as it goes into the file: in double quotes, inner quotes doubled,
// when it holds a comma, a double quote or a line break, so that the columns
// of every row stay where they are; otherwise unchanged.
QString Cell(const QString &text);

// Reads the device's model, serial number, versions and address into
// `preamble`; a read that fails keeps the values it would have replaced.
// 0, or -1 when a read failed.
int ReadPreamble(CfgNetClient &client, Preamble &preamble);

// The preamble and the header line: how every file starts.
QString Head(const Preamble &preamble);
// One row as its line.
QString Line(const Row &row);

// The whole file as text, "\n" line ends. An empty log is one row "1", `now`,
// "Everything works fine".
QString Text(const Preamble &preamble, const QVector<Row> &rows, const QDateTime &now);

// The text as bytes: Latin-1 when every character fits, otherwise UTF-8 after
// a byte-order mark, so that no character turns into "?".
QByteArray Encode(const QString &text);

// Writes the file completely or not at all: an existing file keeps its old
// content when the write fails. On failure `error` says why.
bool Write(const QString &path, const Preamble &preamble, const QVector<Row> &rows,
           const QDateTime &now, QString *error);

// Adds `rows` at the end of the file at `path`, which starts with `Head`
// when it is new or empty. The whole file is written again, completely or
// not at all, in the encoding its text needs (Encode), so a row that
// Latin-1 cannot hold turns the file into UTF-8 instead of losing characters.
bool Append(const QString &path, const Preamble &preamble, const QVector<Row> &rows,
            QString *error);

// Adds one row at the end of the file at `path` in a single write, so that a
// row costs the same however long the file has grown; a new or empty file
// gets `Head` first. The file keeps the encoding Encode gives its whole text:
// a Latin-1 file that gets a row Latin-1 cannot hold is written once more,
// completely or not at all, as UTF-8 after a byte-order mark, and grows in
// UTF-8 from then on; nothing turns into "?" and no file mixes the two. A
// write cut short is taken back, so the file never ends in half a row.
bool AppendRow(const QString &path, const Preamble &preamble, const Row &row, QString *error);

// The first candidate directory that exists or can be created and that takes
// a new file; empty when none does.
QString ChooseDirectory(const QStringList &candidates);

// Whether the program in `programDirectory` runs from an installation: the
// install puts a marker file beside it (QVT_INSTALLED_MARKER, relative to the
// program directory's parent), a build tree has none.
bool IsInstalled(const QString &programDirectory);

// The directories the alarm log tries, in order: `preferred` when it is not
// empty, else "<programDirectory>/../logs" unless the program is installed
// (then the user's directory only, so that nothing is ever written into the
// installation, whoever runs it); then "<userData>/logs" unless `userData` is
// empty.
QStringList LogDirectoryCandidates(const QString &programDirectory, const QString &preferred,
                                   const QString &userData);

// "<stem>.csv" in `directory`, or "<stem>_2.csv", "<stem>_3.csv", ... when
// the names before it are taken.
QString UniquePath(const QString &directory, const QString &stem);

}  // namespace AlarmCsv
