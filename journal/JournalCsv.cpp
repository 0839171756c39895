#include "JournalCsv.h"

#include "AlarmCsv.h"

namespace {
QString Offset(int seconds)
{
    const int minutes = qAbs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

QString HistoryCsvText(const QVector<JournalEntry> &entries)
{
    QString text = QStringLiteral(
        "Time (UTC),UTC Offset,Computer,OS User,Program,Version,Device Serial,Device Address,"
        "Device Model,Login User,Operation,Source,Field,Before,After,Result,Result Code,"
        "Operation Id,Changed After (UTC),Detected By\n");
    for (const JournalEntry &e : entries) {
        const JournalContext &c = e.context;
        const FieldChange &f = e.change;
        text += AlarmCsv::Line(
            {e.when.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
             Offset(e.utcOffsetSeconds),
             c.computer,
             c.osUser,
             c.program,
             c.programVersion,
             c.deviceSerial,
             c.deviceAddress,
             c.deviceModel,
             c.loginUser,
             e.operation,
             SourceText(e.source),
             f.field,
             f.before,
             f.after,
             ResultText(f.result),
             f.result == JournalResult::Refused ? QString::number(f.resultCode) : QString(),
             QString::number(e.operationId),
             e.changedAfter.isValid()
                 ? e.changedAfter.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                 : QString(),
             e.detectedBy});
    }
    return text;
}

QByteArray HistoryCsv(const QVector<JournalEntry> &entries)
{
    return AlarmCsv::Encode(HistoryCsvText(entries));
}
