#include "JournalTypes.h"

#include "QvtVersion.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

JournalContext LocalJournalContext(const QString &program)
{
    JournalContext context;
    context.computer = QSysInfo::machineHostName();
    // The account database first: USER and LOGNAME are whatever the caller's
    // environment says.
    if (const passwd *account = ::getpwuid(::getuid())) {
        context.osUser = QString::fromLocal8Bit(account->pw_name);
    }
    for (const char *variable : {"USER", "LOGNAME"}) {
        if (context.osUser.isEmpty()) {
            context.osUser = QString::fromLocal8Bit(qgetenv(variable));
        }
    }
    if (context.osUser.isEmpty()) {
        context.osUser = QStringLiteral("uid %1").arg(::getuid());
    }
    context.program = program.isEmpty() ? QCoreApplication::applicationName() : program;
    context.programVersion = QString::fromLatin1(kProgramVersion);
    return context;
}

namespace {
const char *const kResults[] = {"taken", "refused", "not reached"};
const char *const kSources[] = {"tool", "outside"};
}  // namespace

QString ResultText(JournalResult result)
{
    return QLatin1String(kResults[static_cast<int>(result)]);
}

JournalResult ResultFromText(const QString &text)
{
    for (int i = 0; i < 3; ++i) {
        if (text == QLatin1String(kResults[i])) {
            return static_cast<JournalResult>(i);
        }
    }
    return JournalResult::Taken;
}

QString SourceText(JournalSource source)
{
    return QLatin1String(kSources[static_cast<int>(source)]);
}

JournalSource SourceFromText(const QString &text)
{
    return text == QLatin1String(kSources[1]) ? JournalSource::Outside : JournalSource::Tool;
}

QString ConfirmStateText(ConfirmState state)
{
    switch (state) {
        case ConfirmState::Confirmed:
            return QStringLiteral("confirmed");
        case ConfirmState::Reverted:
            return QStringLiteral("reverted");
        case ConfirmState::Failed:
            return QStringLiteral("failed");
        case ConfirmState::Reverting:
            return QStringLiteral("reverting");
        case ConfirmState::Pending:
            break;
    }
    return QStringLiteral("pending");
}

ConfirmState ConfirmStateFromText(const QString &text)
{
    for (ConfirmState state : {ConfirmState::Reverting, ConfirmState::Confirmed,
                               ConfirmState::Reverted, ConfirmState::Failed}) {
        if (text == ConfirmStateText(state)) {
            return state;
        }
    }
    return ConfirmState::Pending;
}
