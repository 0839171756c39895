#pragma once

#include "JournalTypes.h"
#include "ParamsFile.h"

#include <QHash>
#include <QSet>

#include <functional>

class CfgNetClient;
class XmlDocument;

// Writes to a device that the change journal records: what each field held
// before, what was written, and what became of it. Both read the device
// before they judge, so an entry says what the device held, not what a
// window once showed.

// What a write of parameter-file parts did.
struct PartsWrite {
    int status = 0;       // 0; -1 when a part (or the reading before) failed
    int failedPart = -1;  // the index of the part that failed
    int resultCode = 0;   // the device's answer to the failed write (-1: none)
    QString failure;      // the element path or the failed operation
    bool wrote = false;   // a write reached the device
    QVector<FieldChange> changes;
};

// Which part of `parts` holds each field of the parameter file (its index),
// read part by part from the device, as parts may share a top element;
// false with the failed operation in `failure`.
bool PartsHolding(CfgNetClient &client, const QVector<ParamPart> &parts,
                  QHash<QString, int> *partOf, QString *failure);
// The parts of `parts` whose indexes are in `needed`, in their order: what a
// revert or a restore writes.
QVector<ParamPart> PartsAmong(const QVector<ParamPart> &parts, const QSet<int> &needed);

// An import: reads every part of `parts` from the device first (the values
// before), then writes them from `doc` in order, stopping at the first that
// fails or when `stop` says so. Fields of parts written are taken; of the
// failed part, those the device holds afterwards are taken and the others
// refused; of the parts after it, not reached. A failed reading before
// writes nothing.
PartsWrite WriteParts(CfgNetClient &client, const QVector<ParamPart> &parts, const XmlDocument &doc,
                      const std::function<bool()> &stop = {});

// A page's Apply, whose write the page makes itself: the fields that differ
// between the part's values `before` (the device's, read for the Apply) and
// `after` (what was written), typed as the part's page holds them. With
// `writeStatus` 0 all are taken; otherwise the part is read back, and the
// fields it does not hold as written are refused with `resultCode`.
template <class Values>
QVector<FieldChange> ApplyChanges(CfgNetClient &client, const ParamPart &part, const Values &before,
                                  const Values &after, int writeStatus, int resultCode);

// The untyped form of ApplyChanges.
QVector<FieldChange> ApplyChanges(CfgNetClient &client, const ParamPart &part, const void *before,
                                  const void *after, int writeStatus, int resultCode);

template <class Values>
QVector<FieldChange> ApplyChanges(CfgNetClient &client, const ParamPart &part, const Values &before,
                                  const Values &after, int writeStatus, int resultCode)
{
    Q_ASSERT(*part.valuesType == typeid(Values));
    return ApplyChanges(client, part, static_cast<const void *>(&before),
                        static_cast<const void *>(&after), writeStatus, resultCode);
}
