// A device's parameters at any time: history --at and --diff, restore, the
// versions the writes leave, and the changes that undo themselves unless
// confirmed.

#include "CliCommon.h"

#include "JournalDiff.h"
#include "JournalVersions.h"
#include "PartWrite.h"

#include <QSaveFile>
#include <QSet>

namespace Cli {
namespace {
// How long ago a service must have said it watches a device to count.
constexpr qint64 kWatcherFreshMs = 120000;

// The file of `device` at `at` into `doc`: 0, or the exit status said.
int PastDocument(Io &io, Journal &journal, const QString &device, const QDateTime &at,
                 XmlDocument &doc, PastFile *past)
{
    bool found = false;
    QString error;
    if (!FileAt(journal, device, at, past, &found, &error)) {
        return io.Fail(kFileError, error);
    }
    if (!found) {
        return io.Fail(kNothingThen, QStringLiteral("the journal holds no version of %1 at or "
                                                    "before %2")
                                         .arg(device, LocalText(at)));
    }
    io.Note(QStringLiteral("%1 at %2: version %3 of %4 (read by %5 on %6, last found "
                           "unchanged %7), and %8 journal entries after it")
                .arg(device, LocalText(at))
                .arg(past->version.id)
                .arg(LocalText(past->version.when), past->version.program, past->version.computer,
                     LocalText(past->version.seen))
                .arg(past->applied));
    for (const QString &field : past->skipped) {
        io.Note(QStringLiteral("%1 is no field of the parameter file: skipped").arg(field));
    }
    if (!doc.LoadContent(past->file)) {
        return io.Fail(kFileError, doc.Problem());
    }
    return kOk;
}

std::unique_ptr<Journal> OpenJournal(Io &io, const QString &location, int *status)
{
    QString error;
    std::unique_ptr<Journal> journal = OpenToShow(io, location, &error);
    if (!journal) {
        *status = io.Fail(kFileError, error);
    }
    return journal;
}
}  // namespace

QString LocalText(const QDateTime &at)
{
    return at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime TimeOption(Io &io, const char *name, const QString &text, int *status, bool endOfDay)
{
    QDateTime at = ParseDate(text, endOfDay);
    // --at, --diff and --to name a moment to the second: all of that second
    // (a change stored at 14:00:05.300 happened "at 14:00:05").
    if (at.isValid() && !endOfDay && qstrcmp(name, "since") != 0) {
        at = at.addMSecs(999);
    }
    if (!at.isValid()) {
        *status = Usage(io, QStringLiteral("--%1 %2: a time is YYYY-MM-DD or "
                                           "YYYY-MM-DDTHH:MM[:SS], local time")
                                .arg(QLatin1String(name), text));
    }
    return at;
}

bool ConfirmWithin(Io &io, const Options &options, double *minutes, int *status)
{
    *minutes = 0;
    if (!options.IsSet("confirm-within")) {
        return true;
    }
    bool ok = false;
    *minutes = options.Value("confirm-within").toDouble(&ok);
    if (!ok || !(*minutes > 0 && *minutes <= 1440)) {  // NaN fails both
        *status = Usage(io, QStringLiteral("--confirm-within %1: up to 1440 minutes, decimals "
                                           "allowed")
                                .arg(options.Value("confirm-within")));
        return false;
    }
    return true;
}

void StoreLeftVersion(Io &io, DeviceLogin &session, const QString &location)
{
    // Timed before the read: a write by another during it is then applied
    // on top by --at rather than lost between the version and the entries.
    const QDateTime before = QDateTime::currentDateTimeUtc();
    XmlDocument doc;
    QString error;
    if (ExportFile(session.client, doc, session.productType, &error) != 0) {
        io.Note(QStringLiteral("the parameters the device holds now could not be read, so no "
                               "version of them is stored: %1")
                    .arg(error));
        return;
    }
    const JournalContext context = session.Context();
    JournalVersion version;
    version.when = before;
    version.deviceSerial = context.deviceSerial;
    version.deviceAddress = context.deviceAddress;
    version.deviceModel = context.deviceModel;
    version.program = context.program;
    version.computer = context.computer;
    version.file = doc.ToBytes();
    std::unique_ptr<Journal> journal = Journal::Open(location, &error);
    bool stored = false;
    if (!journal || !journal->StoreVersion(version, &stored, &error)) {
        io.Note(QStringLiteral("the version the device holds now is not stored in the journal: %1")
                    .arg(error));
    }
}

int CheckConfirmable(Io &io, DeviceLogin &session, const QString &location)
{
    QString error, computer;
    bool canRevert = false;
    QDateTime seen;
    std::unique_ptr<Journal> journal = Journal::Open(location, &error);
    if (!journal || !journal->Watcher(session.SerialText(), &computer, &canRevert, &seen, &error)) {
        return io.Fail(kUsage, QStringLiteral("--confirm-within needs the journal the service "
                                              "shares: %1")
                                   .arg(error));
    }
    if (!seen.isValid() || seen.msecsTo(QDateTime::currentDateTimeUtc()) > kWatcherFreshMs) {
        return io.Fail(kUsage, QStringLiteral("no qvt-monitord sharing %1 watches %2 (%3), so "
                                              "nothing would revert an unconfirmed change: "
                                              "nothing was written")
                                   .arg(journal->Where(), session.Address(), session.SerialText()));
    }
    if (!canRevert) {
        return io.Fail(kUsage, QStringLiteral("the qvt-monitord on %1 watches %2 as guest and "
                                              "could not revert an unconfirmed change: nothing "
                                              "was written")
                                   .arg(computer, session.Address()));
    }
    return kOk;
}

int HistoryAt(Io &io, const Options &options)
{
    int status = kOk;
    const QDateTime at = TimeOption(io, "at", options.Value("at"), &status);
    if (!at.isValid()) {
        return status;
    }
    const QString device = options.Value("device");
    if (device.isEmpty()) {
        return Usage(io, QStringLiteral("--at needs --device SERIAL or ADDRESS"));
    }
    std::unique_ptr<Journal> journal = OpenJournal(io, JournalLocation(options), &status);
    XmlDocument doc;
    PastFile past;
    if (!journal || (status = PastDocument(io, *journal, device, at, doc, &past)) != kOk) {
        return status;
    }
    const QString output = options.Value("output");
    if (output.isEmpty() || output == QLatin1String("-")) {
        io.Data(past.file);
        return kOk;
    }
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(past.file) != past.file.size() ||
        !file.commit()) {
        return io.Fail(kFileError, QStringLiteral("%1: %2").arg(output, file.errorString()));
    }
    return kOk;
}

int HistoryDiff(Io &io, const Options &options)
{
    int status = kOk;
    const QDateTime from = TimeOption(io, "diff", options.Value("diff"), &status);
    const QStringList rest = options.Files();
    const QDateTime to = rest.isEmpty() ? QDateTime() : TimeOption(io, "diff", rest[0], &status);
    const QString device = options.Value("device");
    if (status != kOk || !from.isValid()) {
        return status;
    }
    if (device.isEmpty() || rest.size() > 1) {
        return Usage(io, QStringLiteral("--diff FROM [TO] needs --device SERIAL or ADDRESS"));
    }
    std::unique_ptr<Journal> journal = OpenJournal(io, JournalLocation(options), &status);
    XmlDocument before, after;
    PastFile past;
    if (!journal || (status = PastDocument(io, *journal, device, from, before, &past)) != kOk) {
        return status;
    }
    if (to.isValid()) {
        PastFile later;
        status = PastDocument(io, *journal, device, to, after, &later);
    } else {
        // Now: read from the device, at --address or where the version was read.
        DeviceLogin session;
        status = session.Open(
            io, options,
            options.Address().isEmpty() ? past.version.deviceAddress : options.Address());
        if (status == kOk && !past.version.deviceSerial.isEmpty() &&
            session.SerialText() != past.version.deviceSerial) {
            status = io.Fail(kBadFile, QStringLiteral("%1 is now unit %2, not %3: compare with "
                                                      "-a where %3 is")
                                           .arg(session.Address(), session.SerialText(),
                                                past.version.deviceSerial));
        }
        if (status == kOk) {
            status = ExportDevice(io, session, after);
        }
    }
    if (status != kOk) {
        return status;
    }
    return PrintDifferences(io, before, after, options.IsSet("json")) > 0 ? kDifferent : kOk;
}

int Restore(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("restore"), true,
                    {{"to", "to", "TIME"},
                     {"yes", "yes"},
                     {"confirm-within", "confirm-within", "MINUTES"},
                     JournalOption()});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.IsSet("to") || !options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("restore takes the address (A or -a A) and --to TIME"));
    }
    const QDateTime at = TimeOption(io, "to", options.Value("to"), &status);
    double minutes = 0;
    if (!at.isValid() || !ConfirmWithin(io, options, &minutes, &status)) {
        return status;
    }
    if (UserIndex(options.Value("user")) == kUserGuest) {
        return Usage(io, QStringLiteral("a guest may not change the device: restore as admin"));
    }
    DeviceLogin session;
    if ((status = session.Open(io, options)) != kOk) {
        return status;
    }
    const QString location = JournalLocation(options);
    if (minutes > 0 && (status = CheckConfirmable(io, session, location)) != kOk) {
        return status;
    }
    std::unique_ptr<Journal> journal = OpenJournal(io, location, &status);
    XmlDocument target, now;
    PastFile past;
    const QString device =
        session.SerialText().isEmpty() ? session.Address() : session.SerialText();
    if (!journal || (status = PastDocument(io, *journal, device, at, target, &past)) != kOk ||
        (status = ExportDevice(io, session, now)) != kOk) {
        return status;
    }
    JournalFilter since;
    since.device = device;
    since.since = at.addMSecs(1);
    QStringList dialogs;
    for (const JournalEntry &e : journal->History(since)) {
        if (e.change.result == JournalResult::Taken && IsDialogField(e.change.field) &&
            !dialogs.contains(e.change.field)) {
            dialogs << e.change.field;
        }
    }
    journal.reset();
    if (FileModel(target) != session.productType) {
        return io.Fail(kBadFile, QStringLiteral("%1 was of product type %2 then, and is of %3 "
                                                "now: nothing was written")
                                     .arg(session.Address())
                                     .arg(FileModel(target))
                                     .arg(session.productType));
    }
    // The dialogs' fields are in no parameter file: never written back.
    for (const QString &field : dialogs) {
        io.Note(QStringLiteral("%1 changed since %2 and is not restored (set it in its dialog): "
                               "skipped")
                    .arg(field, LocalText(at)));
    }
    const int changes = PrintDifferences(io, now, target, false);
    if (changes == 0) {
        io.Note(QStringLiteral("%1 already holds what it held at %2: nothing to write")
                    .arg(session.Address(), LocalText(at)));
        return kOk;
    }
    QHash<QString, int> partOf;
    QString failure;
    if (!PartsHolding(session.client, ParamParts(session.productType), &partOf, &failure)) {
        return session.Failed(io, failure);
    }
    const QMap<QString, QString> was = FlattenDocument(now);
    QSet<int> needed;
    for (const FieldChange &change : Changes(was, FlattenDocument(target))) {
        needed.insert(partOf.value(change.field, -1));
    }
    if (needed.contains(-1)) {
        return io.Fail(kBadFile, QStringLiteral("the file of %1 holds fields the device has no "
                                                "part for: nothing was written")
                                     .arg(LocalText(at)));
    }
    if (!options.IsSet("yes") && !Agreed(io, changes, session.Address())) {
        return io.Fail(kOk, QStringLiteral("nothing was written"));
    }
    const QVector<ParamPart> all = ParamParts(session.productType);
    const QVector<ParamPart> parts = PartsAmong(all, needed);
    return WriteJournaled(io, session, parts, target,
                          QStringLiteral("restore to %1").arg(LocalText(at)), location, minutes);
}

int Confirm(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("confirm"), false, {JournalOption()});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    bool ok = false;
    const qint64 id = options.Files().size() == 1 ? options.Files()[0].toLongLong(&ok) : 0;
    if (!ok || id <= 0) {
        return Usage(io, QStringLiteral("confirm takes one operation's number"));
    }
    QString error;
    std::unique_ptr<Journal> journal = Journal::Open(JournalLocation(options), &error);
    if (!journal) {
        return io.Fail(kFileError, error);
    }
    JournalConfirmation confirmation;
    confirmation.operationId = id;
    confirmation.state = ConfirmState::Confirmed;
    const JournalContext who = LocalJournalContext(QStringLiteral("qvt-cli"));
    confirmation.settledBy = QStringLiteral("%1@%2").arg(who.osUser, who.computer);
    bool settled = false;
    if (!journal->Settle(confirmation, &settled, &error)) {
        return io.Fail(kFileError, error);
    }
    if (settled) {
        io.Line(QStringLiteral("operation %1 confirmed: it stays").arg(id));
        return kOk;
    }
    for (const JournalConfirmation &c : journal->Confirmations(true, &error)) {
        if (c.operationId == id &&
            (c.state == ConfirmState::Pending || c.state == ConfirmState::Reverting)) {
            return io.Fail(kUsage, QStringLiteral("operation %1's deadline, %2, has passed: the "
                                                  "service watching %3 reverts it")
                                       .arg(id)
                                       .arg(LocalText(c.deadline), c.deviceAddress));
        }
        if (c.operationId == id) {
            return io.Fail(kUsage,
                           QStringLiteral("operation %1 is %2 already (%3, by %4)")
                               .arg(id)
                               .arg(ConfirmStateText(c.state), LocalText(c.settled), c.settledBy));
        }
    }
    return io.Fail(kUsage, QStringLiteral("operation %1 awaits no confirmation").arg(id));
}

}  // namespace Cli
