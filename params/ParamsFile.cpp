#include "ParamsFile.h"

#include "PageList.h"

QVector<ParamPart> ParamParts(int productType)
{
    QVector<ParamPart> parts;
    for (const PageRow &row : PageRows()) {
        if (row.HasPart() && row.On(productType)) {
            parts << row.part;
        }
    }
    return parts;
}

bool FindPart(int productType, PageKey key, ParamPart *part)
{
    const PageRow *row = FindPage(productType, key);
    if (!row || !row->HasPart()) {
        return false;
    }
    *part = row->part;
    return true;
}

int ExportParts(CfgNetClient &client, XmlDocument &doc, int productType, QString *failure)
{
    for (const ParamPart &part : ParamParts(productType)) {
        if (part.exportTo(client, doc, failure) != 0) {
            return -1;
        }
    }
    return 0;
}

int ExportFile(CfgNetClient &client, XmlDocument &doc, int productType, QString *failure)
{
    doc.StartDocument();
    QDomElement root = doc.Root();
    doc.AddTextElement(root, QStringLiteral("ModuleType"), QString::number(productType));
    return ExportParts(client, doc, productType, failure);
}

int FileModel(const XmlDocument &doc)
{
    return doc.Root().firstChildElement(QStringLiteral("ModuleType")).text().toInt();
}

bool CheckParts(const XmlDocument &doc, int productType, QString *problem)
{
    for (const ParamPart &part : ParamParts(productType)) {
        if (!part.check(doc, problem)) {
            return false;
        }
    }
    return true;
}
