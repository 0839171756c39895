// The commands that work on parameter files: export, import and diff.

#include "CliCommon.h"

#include "ParamsFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace Cli {

int Export(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("export"), true, {{{"o", "output"}, "output", "FILE"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("export takes no file (%1); give it with -o, and the "
                                        "address as A or -a A")
                             .arg(options.Files().constFirst()));
    }
    DeviceLogin session;
    XmlDocument doc;
    status = session.Open(io, options);
    if (status == kOk) {
        status = ExportDevice(io, session, doc);
    }
    if (status != kOk) {
        return status;
    }
    const QByteArray bytes = doc.ToBytes();
    const QString output = options.Value("output");
    if (output.isEmpty() || output == QLatin1String("-")) {
        io.Data(bytes);
        return kOk;
    }
    // An existing file is replaced only by a complete one.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return io.Fail(kFileError, QStringLiteral("%1: %2").arg(output, file.errorString()));
    }
    return kOk;
}

int Import(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("import"), true,
                    {JournalOption(), {"confirm-within", "confirm-within", "MINUTES"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (options.Files().size() != 1) {
        return Usage(io, QStringLiteral("import takes the address (A or -a A) and one file"));
    }
    if (UserIndex(options.Value("user")) == kUserGuest) {
        return Usage(io, QStringLiteral("a guest may not change the device: import as admin"));
    }
    double minutes = 0;
    if (!ConfirmWithin(io, options, &minutes, &status)) {
        return status;
    }
    XmlDocument doc;
    status = LoadFile(io, options.Files().constFirst(), doc);
    DeviceLogin session;
    if (status == kOk) {
        status = session.Open(io, options);
    }
    if (status == kOk && minutes > 0) {
        status = CheckConfirmable(io, session, JournalLocation(options));
    }
    if (status != kOk) {
        return status;
    }
    const int fileType = FileModel(doc);
    if (fileType != session.productType) {
        return io.Fail(kBadFile,
                       QStringLiteral("The parameter file and the device are mismatched: the "
                                      "file is of product type %1, the device of %2.")
                           .arg(fileType)
                           .arg(session.productType));
    }
    QString problem;
    if (!CheckParts(doc, session.productType, &problem)) {
        return io.Fail(kBadFile, QStringLiteral("nothing was written: %1").arg(problem));
    }
    return WriteJournaled(io, session, ParamParts(session.productType), doc,
                          QStringLiteral("import ") + options.Files().constFirst(),
                          JournalLocation(options), minutes);
}

int Diff(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("diff"), true, {});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    const QStringList files = options.Files();
    const bool live = !options.Address().isEmpty();
    if (files.size() != (live ? 1 : 2)) {
        return Usage(io,
                     QStringLiteral("diff takes two files, or the address (A or -a A) and a file"));
    }
    XmlDocument before, after;
    status = LoadFile(io, files[0], before);
    if (status == kOk && live) {
        DeviceLogin session;
        status = session.Open(io, options);
        if (status == kOk) {
            status = ExportDevice(io, session, after);
        }
    } else if (status == kOk) {
        status = LoadFile(io, files[1], after);
    }
    if (status != kOk) {
        return status;
    }
    const int differences = PrintDifferences(io, before, after, false);
    return differences > 0 ? kDifferent : kOk;
}

int PrintDifferences(Io &io, const XmlDocument &before, const XmlDocument &after, bool json)
{
    const QVector<QPair<QString, QString>> old = before.Values();
    const QVector<QPair<QString, QString>> now = after.Values();
    QHash<QString, QString> oldByPath, nowByPath;
    for (const auto &value : old) {
        oldByPath.insert(value.first, value.second);
    }
    for (const auto &value : now) {
        nowByPath.insert(value.first, value.second);
    }
    const QString missing = QStringLiteral("(missing)");
    int differences = 0;
    const auto report = [&](const QString &path, const QString &was, const QString &is) {
        if (json) {
            io.Data(QJsonDocument(QJsonObject{{"field", path}, {"before", was}, {"after", is}})
                        .toJson(QJsonDocument::Compact) +
                    '\n');
        } else {
            io.Line(QStringLiteral("%1: %2 -> %3").arg(path, was, is));
        }
        ++differences;
    };
    for (const auto &value : old) {
        if (!nowByPath.contains(value.first)) {
            report(value.first, value.second, missing);
        } else if (nowByPath.value(value.first) != value.second) {
            report(value.first, value.second, nowByPath.value(value.first));
        }
    }
    for (const auto &value : now) {
        if (!oldByPath.contains(value.first)) {
            report(value.first, missing, value.second);
        }
    }
    return differences;
}

}  // namespace Cli
