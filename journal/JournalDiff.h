#pragma once

#include "JournalTypes.h"

#include <QDomElement>
#include <QMap>
#include <QString>
#include <QVector>

class XmlDocument;

// A parameter file as fields, and the changes between two sets of fields.

// Every leaf element of the document (one without child elements) by its
// path below the document element, with its text: "ModuleType",
// "SignalIO/GroupA/QuietSwitching/AudioFadingDuration". When sibling
// elements share a name, the first keeps the bare name and the later ones are
// numbered from 2 in document order, "Input", "Input[2]", "Input[3]": the
// scheme of `qvt-cli diff`, so a journal entry and a diff name a field alike.
// A leaf's text is never null (an empty element gives "").
QMap<QString, QString> FlattenDocument(const XmlDocument &doc);

// The fields whose value differs between `before` and `after`, in path
// order, with result Taken. A field on one side only is a change from or to
// a null value; a field with the same value on both sides is none.
QVector<FieldChange> Changes(const QMap<QString, QString> &before,
                             const QMap<QString, QString> &after);

// The leaf element a path of FlattenDocument names, or a null element.
QDomElement FindField(const XmlDocument &doc, const QString &path);
// Replaces a leaf element's text.
void SetFieldText(QDomElement element, const QString &text);

// Fields of the device's dialogs (network, notification destinations,
// passwords): no part of the parameter file.
bool IsDialogField(const QString &field);
