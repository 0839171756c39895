#include "ParamsFile.h"

#include "GpioParams.h"

namespace {
template <class Values, int (*Read)(CfgNetClient &, Values &, QString *),
          void (*ToDocument)(XmlDocument &, const Values &)>
int ExportPart(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    Values values;
    if (Read(client, values, failure) != 0) {
        return -1;
    }
    ToDocument(doc, values);
    return 0;
}

template <class Values, bool (*FromDocument)(const XmlDocument &, Values &, QString *)>
bool CheckPart(const XmlDocument &doc, QString *problem)
{
    Values values;
    return FromDocument(doc, values, problem);
}

const ParamPart kGpio = {GpioModel::kElement,
                         ExportPart<GpioParams, GpioModel::Read, GpioModel::ToDocument>,
                         CheckPart<GpioParams, GpioModel::FromDocument>};
}  // namespace

QVector<ParamPart> ParamParts(int productType)
{
    // Signal I/O, switch control, AGC and the alarm combination come before
    // GPIO; system alarms and detection after it, once their models exist.
    Q_UNUSED(productType);
    return {kGpio};
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

bool CheckParts(const XmlDocument &doc, int productType, QString *problem)
{
    for (const ParamPart &part : ParamParts(productType)) {
        if (!part.check(doc, problem)) {
            return false;
        }
    }
    return true;
}
