#pragma once

#include "Journal.h"

#include <QStringList>

class CfgNetClient;

// What became of the revert of an operation that was not confirmed in time.
struct RevertOutcome {
    bool claimed = false;   // this service took it on (else confirmed meanwhile, or another's)
    bool done = false;      // the revert was written (or nothing was left to write)
    qint64 revertId = 0;    // its own operation in the journal; 0 when none was needed
    QStringList leftAlone;  // fields changed again since, as "field (now X)"
    QString failure;        // why it could not be done
};

// Claims the confirmation in the journal first, so that a confirm that comes
// at the same moment, or another service, never acts as well; then writes
// back, on the device the session reaches, the values operation
// `confirmation.operationId` found, for each field that still holds what it
// wrote; a field changed again since is left alone. The write is journaled
// as "not confirmed: revert of #N" with `context` (through `spool` when the
// journal does not take it), and the confirmation settled as reverted,
// naming what was left alone. One that could not be done goes back to
// pending, to be tried again. Runs on the thread that owns the client and
// the journal.
RevertOutcome RevertUnconfirmed(CfgNetClient &client, int productType,
                                const JournalContext &context, Journal &journal,
                                const QString &location, const QString &spool,
                                const JournalConfirmation &confirmation);
