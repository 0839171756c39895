#include "ParamsFile.h"

#include "AgcParams.h"
#include "DetectionParams.h"
#include "DeviceTables.h"
#include "GpioParams.h"
#include "SignalIOParams.h"
#include "SwitchControlParams.h"
#include "SystemAlarmParams.h"
#include "TriggerParams.h"

namespace {
// Each kind of part says how its values come from the device, go into the
// document, come back out of it checked, and go to the device. The three
// walks below are the same for every kind.
template <class Kind>
int ExportKind(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    typename Kind::Values values{};
    if (Kind::Read(client, values, failure) != 0) {
        return -1;
    }
    Kind::ToDocument(doc, values);
    return 0;
}

template <class Kind>
bool CheckKind(const XmlDocument &doc, QString *problem)
{
    typename Kind::Values values{};
    return Kind::FromDocument(doc, values, problem);
}

template <class Kind>
int ImportKind(CfgNetClient &client, const XmlDocument &doc, QString *failure)
{
    typename Kind::Values values{};
    if (!Kind::FromDocument(doc, values, failure)) {
        return -1;
    }
    return Kind::Write(client, values, failure);
}

template <class Kind>
void ToDocumentKind(XmlDocument &doc, const void *values)
{
    Kind::ToDocument(doc, *static_cast<const typename Kind::Values *>(values));
}

template <class Kind>
ParamPart Part(PageKey key, const char *element, const char *page)
{
    return {key,
            element,
            page,
            ExportKind<Kind>,
            CheckKind<Kind>,
            ImportKind<Kind>,
            ToDocumentKind<Kind>,
            &typeid(typename Kind::Values)};
}

// The pages whose values need nothing but the client.
template <class V, int (*R)(CfgNetClient &, V &, QString *),
          int (*W)(CfgNetClient &, const V &, QString *), void (*To)(XmlDocument &, const V &),
          bool (*From)(const XmlDocument &, V &, QString *)>
struct PlainKind {
    using Values = V;
    static int Read(CfgNetClient &c, V &v, QString *f) { return R(c, v, f); }
    static int Write(CfgNetClient &c, const V &v, QString *f) { return W(c, v, f); }
    static void ToDocument(XmlDocument &d, const V &v) { To(d, v); }
    static bool FromDocument(const XmlDocument &d, V &v, QString *p) { return From(d, v, p); }
};

using GpioKind = PlainKind<GpioParams, GpioModel::Read, GpioModel::Write, GpioModel::ToDocument,
                           GpioModel::FromDocument>;
using AgcKind = PlainKind<AgcParams, AgcModel::Read, AgcModel::Write, AgcModel::ToDocument,
                          AgcModel::FromDocument>;
using TriggerKind = PlainKind<AlarmTriggers, TriggerModel::Read, TriggerModel::Write,
                              TriggerModel::ToDocument, TriggerModel::FromDocument>;

// One switching group's signal I/O; the dual model's two groups share one
// SignalIO element.
template <int Group, bool Dual>
struct SignalIOKind {
    using Values = SignalIOParams;
    static constexpr SignalIOScope kScope{Group, Dual};
    static int Read(CfgNetClient &c, Values &v, QString *f)
    {
        return SignalIOModel::Read(c, kScope, v, f);
    }
    static int Write(CfgNetClient &c, const Values &v, QString *f)
    {
        return SignalIOModel::Write(c, kScope, v, f);
    }
    static void ToDocument(XmlDocument &d, const Values &v)
    {
        SignalIOModel::ToDocument(d, kScope, v);
    }
    static bool FromDocument(const XmlDocument &d, Values &v, QString *p)
    {
        return SignalIOModel::FromDocument(d, kScope, v, p);
    }
};

// One switching group's switch control (GroupA, GroupB); on the 4x1 models
// the one group writes both elements of the device's arrays.
template <int Group, bool Dual>
struct SwitchControlKind {
    using Values = SwitchControlParams;
    static int Read(CfgNetClient &c, Values &v, QString *f)
    {
        return SwitchControlModel::Read(c, Group, v, f);
    }
    static int Write(CfgNetClient &c, const Values &v, QString *f)
    {
        return SwitchControlModel::Write(c, Group, !Dual, v, f);
    }
    static void ToDocument(XmlDocument &d, const Values &v)
    {
        SwitchControlModel::ToDocument(d, Group, v);
    }
    static bool FromDocument(const XmlDocument &d, Values &v, QString *p)
    {
        return SwitchControlModel::FromDocument(d, Group, v, p);
    }
};

// The system alarm enables: the dual model's table or the 4x1 models'.
template <bool Dual>
struct SystemAlarmKind {
    using Values = SystemAlarm;
    static int Read(CfgNetClient &c, Values &v, QString *f)
    {
        return SystemAlarmModel::Read(c, v, f);
    }
    static int Write(CfgNetClient &c, const Values &v, QString *f)
    {
        return SystemAlarmModel::Write(c, v, f);
    }
    static void ToDocument(XmlDocument &d, const Values &v)
    {
        SystemAlarmModel::ToDocument(d, Dual, v);
    }
    static bool FromDocument(const XmlDocument &d, Values &v, QString *p)
    {
        return SystemAlarmModel::FromDocument(d, Dual, v, p);
    }
};

// One input's detection, filed under the model's groups and inputs.
template <int Input, bool Dual>
struct DetectionKind {
    using Values = DetectionParam;
    static int Read(CfgNetClient &c, Values &v, QString *f)
    {
        return DetectionModel::Read(c, Input, v, f);
    }
    static int Write(CfgNetClient &c, const Values &v, QString *f)
    {
        return DetectionModel::Write(c, Input, v, f);
    }
    static void ToDocument(XmlDocument &d, const Values &v)
    {
        DetectionModel::ToDocument(d, {Input, Dual}, v);
    }
    static bool FromDocument(const XmlDocument &d, Values &v, QString *p)
    {
        return DetectionModel::FromDocument(d, {Input, Dual}, v, p);
    }
};

template <bool Dual>
void AppendDetection(QVector<ParamPart> &parts)
{
    using K = PageKey;
    const char *const e = DetectionModel::kElement;
    if (Dual) {
        parts << Part<DetectionKind<0, Dual>>(K::Detection1, e, "Detection Group A Input 1")
              << Part<DetectionKind<1, Dual>>(K::Detection2, e, "Detection Group A Input 2")
              << Part<DetectionKind<2, Dual>>(K::Detection3, e, "Detection Group B Input 1")
              << Part<DetectionKind<3, Dual>>(K::Detection4, e, "Detection Group B Input 2");
    } else {
        parts << Part<DetectionKind<0, Dual>>(K::Detection1, e, "Detection Input 1")
              << Part<DetectionKind<1, Dual>>(K::Detection2, e, "Detection Input 2")
              << Part<DetectionKind<2, Dual>>(K::Detection3, e, "Detection Input 3")
              << Part<DetectionKind<3, Dual>>(K::Detection4, e, "Detection Input 4");
    }
}
}  // namespace

QVector<ParamPart> ParamParts(int productType)
{
    // In page-list order, one part per page that has parameters.
    using K = PageKey;
    const bool dual = IsDual(productType);
    QVector<ParamPart> parts;
    if (dual) {
        parts << Part<SignalIOKind<0, true>>(K::SignalIOA, SignalIOModel::kElement,
                                             "Signal I/O Group A")
              << Part<SignalIOKind<1, true>>(K::SignalIOB, SignalIOModel::kElement,
                                             "Signal I/O Group B")
              << Part<SwitchControlKind<0, true>>(K::SwitchControlA, SwitchControlModel::kElement,
                                                  "Switch Control Group A")
              << Part<SwitchControlKind<1, true>>(K::SwitchControlB, SwitchControlModel::kElement,
                                                  "Switch Control Group B");
    } else {
        parts << Part<SignalIOKind<0, false>>(K::SignalIO, SignalIOModel::kElement, "Signal I/O")
              << Part<SwitchControlKind<0, false>>(K::SwitchControl, SwitchControlModel::kElement,
                                                   "Switch Control");
    }
    if (HasAgc(productType)) {
        parts << Part<AgcKind>(K::AGC, AgcModel::kElement, "AGC");
    }
    parts << Part<TriggerKind>(K::Trigger, TriggerModel::kElement, "Alarm Combination");
    parts << Part<GpioKind>(K::GPIO, GpioModel::kElement, "GPIO");
    if (dual) {
        parts << Part<SystemAlarmKind<true>>(K::SystemAlarms, SystemAlarmModel::kElement,
                                             "System Alarms");
        AppendDetection<true>(parts);
    } else {
        parts << Part<SystemAlarmKind<false>>(K::SystemAlarms, SystemAlarmModel::kElement,
                                              "System Alarms");
        AppendDetection<false>(parts);
    }
    return parts;
}

bool FindPart(int productType, PageKey key, ParamPart *part)
{
    for (const ParamPart &candidate : ParamParts(productType)) {
        if (candidate.key == key) {
            *part = candidate;
            return true;
        }
    }
    return false;
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
