#pragma once

#include "ImportTarget.h"
#include "PageKey.h"
#include "XmlDocument.h"

#include <QString>
#include <QVector>

#include <memory>
#include <typeinfo>
#include <vector>

class CfgNetClient;

// One part of the parameter file: the values of one page (see PageList.h).
struct ParamPart {
    PageKey key;          // its page
    const char *element;  // its top element under the document element
    const char *page;     // the page it belongs to, in English
    // Device to document; 0, or -1 with the failed operation in `failure`.
    int (*exportTo)(CfgNetClient &client, XmlDocument &doc, QString *failure);
    // Reads and checks the part in the document; false with the element
    // path and the reason in `problem`.
    bool (*check)(const XmlDocument &doc, QString *problem);
    // Document to device: reads and checks the part, then writes it; 0, or
    // -1 with the element path or the failed operation in `failure`.
    int (*importFrom)(CfgNetClient &client, const XmlDocument &doc, QString *failure);
    // The part's values as its page holds them (`values` points to the
    // page's Values type, `valuesType`) into the document, as the export
    // writes them: for the change journal of a page's Apply.
    void (*toDocument)(XmlDocument &doc, const void *values);
    const std::type_info *valuesType;
};

// The parts of the parameter file of one product type, in page-list order,
// as the export and import of the window, the command-line tool and the
// simulator's twin walk them. Pages without parameters have no part.
QVector<ParamPart> ParamParts(int productType);
// The part of `productType`'s page `key`; false when the page has none.
bool FindPart(int productType, PageKey key, ParamPart *part);

// Every part of `productType` from the device into `doc` (after its
// "ModuleType"); stops at the first failure.
int ExportParts(CfgNetClient &client, XmlDocument &doc, int productType, QString *failure);
// A new document with the device's whole parameter file: "ModuleType", then
// every part, as the window's Export writes it.
int ExportFile(CfgNetClient &client, XmlDocument &doc, int productType, QString *failure);
// The product type a file is for, from its "ModuleType"; 0 when it has none.
int FileModel(const XmlDocument &doc);
// Whether every part of the document reads and fits.
bool CheckParts(const XmlDocument &doc, int productType, QString *problem);
