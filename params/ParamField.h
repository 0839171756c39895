#pragma once

#include "Baseline.h"
#include "XmlDocument.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// How a value travels in its message: its width and sign decide which numbers
// can stand for it in a parameter file.
enum class WireType { U8, U16, U32, I8, I16, I32 };

// Whether `value` fits `type`.
bool Fits(qint64 value, WireType type);

// Reads `text` as a decimal number that fits `type`. On failure, `reason`
// says why (translated): the number is missing, is not a decimal number, or
// does not fit.
bool ParseValue(const QString &text, WireType type, qint64 *value, QString *reason);

// "path: reason", the way the import names a value it refuses.
QString ProblemAt(const QString &path, const QString &reason);

// A place in the parameter document, with its path for the import's
// messages ("configure/Alarms/Settings/GroupA/Input1").
struct DocPlace {
    QDomElement element;
    QString path;
};

// The document element.
DocPlace RootPlace(const XmlDocument &doc);
// The element at `path` ("a/b") below `from`. At the first step that is not
// there: a null element, and "<its path>: missing" in `problem`.
DocPlace Below(const DocPlace &from, const QString &path, QString *problem);
// The value at `path` below `from`, a decimal number that fits `type`; false
// with the element path and the reason in `problem`. Every model reads its
// part of the file through this one reader.
bool ReadValue(const DocPlace &from, const QString &path, WireType type, qint64 *value,
               QString *problem);

// A device operation that failed, for the status bar and the import message:
// "SetGPIOTriggerMode: Failed", or "…: no answer" when nothing came back.
QString DeviceFailure(const char *operation, int result);

// One value of a page's part of the parameter file: its element, its type on
// the wire and the member of the page's values that holds it. A page lists
// its values once in such a table; export, import and the checks walk it.
template <class Values>
struct ParamField {
    const char *element;
    WireType type;
    qint64 Values::*member;
};

// Apply's fields of a page whose every value has a control of its own.
template <class Values, std::size_t N>
std::vector<EditField<Values>> EditFieldsOf(const ParamField<Values> (&fields)[N])
{
    std::vector<EditField<Values>> out;
    for (const ParamField<Values> &field : fields) {
        out.push_back(MemberField(field.member));
    }
    return out;
}

// Appends `<element>` under the root (or adds to one already there) with one
// text element per field, in table order, values in decimal.
template <class Values, std::size_t N>
void WriteFields(XmlDocument &doc, const char *element, const ParamField<Values> (&fields)[N],
                 const Values &values)
{
    QDomElement root = doc.Root();
    QDomElement page = doc.CreateElement(QString::fromLatin1(element));
    doc.MergeChild(page, root);
    for (const ParamField<Values> &field : fields) {
        doc.AddTextElement(page, QString::fromLatin1(field.element),
                           QString::number(values.*field.member));
    }
}

// Reads every field of `<element>` into `values`. False when the element or a
// field is missing, or a value is not a decimal number that fits its field;
// `problem` then names the element path and the reason.
template <class Values, std::size_t N>
bool ReadFields(const XmlDocument &doc, const char *element, const ParamField<Values> (&fields)[N],
                Values &values, QString *problem)
{
    const DocPlace page = Below(RootPlace(doc), QString::fromLatin1(element), problem);
    if (page.element.isNull()) {
        return false;
    }
    for (const ParamField<Values> &field : fields) {
        if (!ReadValue(page, QString::fromLatin1(field.element), field.type,
                       &(values.*field.member), problem)) {
            return false;
        }
    }
    return true;
}

// Whether every value fits its field; `problem` names the first that does not.
template <class Values, std::size_t N>
bool CheckFields(const char *element, const ParamField<Values> (&fields)[N], const Values &values,
                 QString *problem)
{
    for (const ParamField<Values> &field : fields) {
        if (!Fits(values.*field.member, field.type)) {
            *problem = ProblemAt(QString::fromLatin1(element) + QLatin1Char('/') +
                                     QString::fromLatin1(field.element),
                                 QCoreApplication::translate("ParamField", "%1 does not fit")
                                     .arg(values.*field.member));
            return false;
        }
    }
    return true;
}
