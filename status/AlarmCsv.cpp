#include "AlarmCsv.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"
#include "TextForms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>

namespace AlarmCsv {

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The labels are fixed: other programs read these files, whatever the
// language of the window that wrote them.
const char *const kLabels[] = {"Module Type", "Product SN", "Firmware Verison", "FPGA Verison",
                               "IP Address"};

}  // namespace

int ReadPreamble(CfgNetClient &client, Preamble &preamble)
{
    int result = 0;
    quint32 code = 0;
    QByteArray serial, extra;
    if (client.GetProductInfo(code, serial, extra) == 0) {
        preamble.moduleType = EnglishModelName(code);
        preamble.productSN = serial.size() == 8
                                 ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.data()))
                                 : QString();
    } else {
        result = -1;
    }
    QString pcb, fpga, firmware;
    if (client.GetVersion(pcb, fpga, firmware) == 0) {
        preamble.firmwareVersion = firmware;
        preamble.fpgaVersion = fpga;
    } else {
        result = -1;
    }
    QString ip, mask, gateway;
    quint8 isDefault = 0;
    if (client.GetNetParam(ip, mask, gateway, isDefault) == 0) {
        preamble.ipAddress = ip;
    } else {
        result = -1;
    }
    return result;
}

QString Line(const Row &row)
{
    QStringList quoted;
    quoted.reserve(row.size());
    for (const QString &cell : row) {
        quoted << Cell(cell);
    }
    return quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
}

QString Cell(const QString &text)
{
    const bool needsQuotes = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                             text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!needsQuotes) {
        return text;
    }
    QString inner = text;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString Head(const Preamble &preamble)
{
    const QString values[] = {preamble.moduleType, preamble.productSN, preamble.firmwareVersion,
                              preamble.fpgaVersion, preamble.ipAddress};
    QString text;
    for (int i = 0; i < 5; ++i) {
        text += Line({QLatin1String(kLabels[i]), values[i]});
    }
    // Two lines of a single blank each part the device from the rows.
    text += QLatin1String(" \n \n");
    text += QLatin1String("Number,Time,Input,Alarm Type,Alarm Status,Notes\n");
    return text;
}

QString Text(const Preamble &preamble, const QVector<Row> &rows, const QDateTime &now)
{
    QString text = Head(preamble);
    if (rows.isEmpty()) {
        text += Line({QStringLiteral("1"), now.toString(kTimeFormat), QString(), QString(),
                      QString(), QStringLiteral("Everything works fine")});
    }
    for (const Row &row : rows) {
        text += Line(row);
    }
    return text;
}

QByteArray Encode(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
        }
    }
    return text.toLatin1();
}

namespace {
bool WriteBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    // The bytes go to a temporary file beside the target, which takes its
    // place only once all of them are on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    errno = 0;
    // The bytes sit in a buffer until the flush, and commit() does not look
    // at what its own final flush met: a disk that filled up there would
    // still have the short file replace the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // A write cut short leaves Qt with "Unknown error"; the system's
        // reason ("No space left on device") is what helps.
        *error = errno != 0 ? qt_error_string(errno) : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
}  // namespace

bool Write(const QString &path, const Preamble &preamble, const QVector<Row> &rows,
           const QDateTime &now, QString *error)
{
    return WriteBytes(path, Encode(Text(preamble, rows, now)), error);
}

bool Append(const QString &path, const Preamble &preamble, const QVector<Row> &rows, QString *error)
{
    QString text;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            *error = existing.errorString();
            return false;
        }
        const QByteArray bytes = existing.readAll();
        const QByteArray bom = QByteArrayLiteral("\xEF\xBB\xBF");
        text = bytes.startsWith(bom) ? QString::fromUtf8(bytes.mid(bom.size()))
                                     : QString::fromLatin1(bytes);
    }
    if (text.isEmpty()) {
        text = Head(preamble);
    }
    for (const Row &row : rows) {
        text += Line(row);
    }
    return WriteBytes(path, Encode(text), error);
}

bool AppendRow(const QString &path, const Preamble &preamble, const Row &row, QString *error)
{
    // Unbuffered: the row goes out in the one write below, or not at all.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bom = QByteArrayLiteral("\xEF\xBB\xBF");
    const qint64 size = file.size();
    QString text = Line(row);
    QByteArray bytes;
    if (size == 0) {
        bytes = Encode(Head(preamble) + text);
    } else if (file.seek(0) && file.read(bom.size()) == bom) {
        bytes = text.toUtf8();
    } else if (Encode(text).startsWith(bom)) {
        // The only time the whole file is written again: it turns UTF-8.
        file.seek(0);
        const QString old = QString::fromLatin1(file.readAll());
        file.close();
        return WriteBytes(path, Encode(old + text), error);
    } else {
        bytes = text.toLatin1();
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        *error = errno != 0 ? qt_error_string(errno) : file.errorString();
        file.resize(size);
        return false;
    }
    return true;
}

QString ChooseDirectory(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        if (candidate.isEmpty()) {
            continue;
        }
        const QString directory = QDir::cleanPath(candidate);
        if (!QDir().mkpath(directory)) {
            continue;
        }
        // Permission bits do not tell the whole story (read-only mounts,
        // root): try a file.
        QTemporaryFile probe(directory + QStringLiteral("/.probe_XXXXXX"));
        if (probe.open()) {
            return directory;
        }
    }
    return QString();
}

bool IsInstalled(const QString &programDirectory)
{
    return QFileInfo::exists(programDirectory + QStringLiteral("/../") +
                             QStringLiteral(QVT_INSTALLED_MARKER));
}

QStringList LogDirectoryCandidates(const QString &programDirectory, const QString &preferred,
                                   const QString &userData)
{
    QStringList candidates;
    if (!preferred.isEmpty()) {
        candidates << preferred;
    } else if (!IsInstalled(programDirectory)) {
        candidates << programDirectory + QStringLiteral("/../logs");
    }
    if (!userData.isEmpty()) {
        candidates << userData + QStringLiteral("/logs");
    }
    return candidates;
}

QString UniquePath(const QString &directory, const QString &stem)
{
    QString path = QDir(directory).filePath(stem + QStringLiteral(".csv"));
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = QDir(directory).filePath(stem + QLatin1Char('_') + QString::number(n) +
                                        QStringLiteral(".csv"));
    }
    return path;
}

}  // namespace AlarmCsv
