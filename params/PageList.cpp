#include "PageList.h"

#include "AgcParams.h"
#include "DetectionParams.h"
#include "DeviceTables.h"
#include "GpioParams.h"
#include "SignalIOParams.h"
#include "SwitchControlParams.h"
#include "SystemAlarmParams.h"
#include "TriggerParams.h"

#include <algorithm>

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

// A kind's part, without its page yet (the row gives it).
template <class Kind>
ParamPart Part(const char *element)
{
    return {PageKey::None,
            element,
            nullptr,
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

std::vector<PageRow> Build()
{
    using K = PageKey;
    using C = CmdThread;
    const ParamPart none = {};
    // The pauses after each poll: the levels move fastest, the board must
    // follow alarms, the rest are readings an operator glances at.
    const PagePoll still = {};
    const PagePoll signalIO = {&C::PollSignalIO, 3000};
    const PagePoll switching = {&C::PollSwitchControl, 3000};
    const PagePoll limits = {&C::PollRegionLimits, 3000};
    const char *const detection = DetectionModel::kElement;
    std::vector<PageRow> rows = {
        {K::General, kEveryModel, "General", none, still},
        {K::Genlock, kEveryModel, "Genlock", none, {&C::PollGenlock, 3000}},
        {K::SignalIO, kSingleModels, "Signal I/O",
         Part<SignalIOKind<0, false>>(SignalIOModel::kElement), signalIO},
        {K::SignalIOA, kDualModel, "Signal I/O Group A",
         Part<SignalIOKind<0, true>>(SignalIOModel::kElement), signalIO},
        {K::SignalIOB, kDualModel, "Signal I/O Group B",
         Part<SignalIOKind<1, true>>(SignalIOModel::kElement), signalIO},
        {K::SwitchControl, kSingleModels, "Switch Control",
         Part<SwitchControlKind<0, false>>(SwitchControlModel::kElement), switching},
        {K::SwitchControlA, kDualModel, "Switch Control Group A",
         Part<SwitchControlKind<0, true>>(SwitchControlModel::kElement), switching},
        {K::SwitchControlB, kDualModel, "Switch Control Group B",
         Part<SwitchControlKind<1, true>>(SwitchControlModel::kElement), switching},
        {K::AGC, kAgcModel, "AGC", Part<AgcKind>(AgcModel::kElement), {&C::PollAgc, 500}},
        {K::Trigger, kEveryModel, "Alarm Combination", Part<TriggerKind>(TriggerModel::kElement),
         still},
        {K::GPIO, kEveryModel, "GPIO", Part<GpioKind>(GpioModel::kElement), {&C::PollGpio, 3000}},
        {K::SystemAlarms, kDualModel, "System Alarms",
         Part<SystemAlarmKind<true>>(SystemAlarmModel::kElement), still},
        {K::SystemAlarms, kSingleModels, "System Alarms",
         Part<SystemAlarmKind<false>>(SystemAlarmModel::kElement), still},
        {K::Status, kEveryModel, "Status", none, {&C::PollStatus, 1000}},
        {K::Detection1, kDualModel, "Detection Group A Input 1",
         Part<DetectionKind<0, true>>(detection), limits},
        {K::Detection1, kSingleModels, "Detection Input 1",
         Part<DetectionKind<0, false>>(detection), limits},
        {K::Detection2, kDualModel, "Detection Group A Input 2",
         Part<DetectionKind<1, true>>(detection), limits},
        {K::Detection2, kSingleModels, "Detection Input 2",
         Part<DetectionKind<1, false>>(detection), limits},
        {K::Detection3, kDualModel, "Detection Group B Input 1",
         Part<DetectionKind<2, true>>(detection), limits},
        {K::Detection3, kSingleModels, "Detection Input 3",
         Part<DetectionKind<2, false>>(detection), limits},
        {K::Detection4, kDualModel, "Detection Group B Input 2",
         Part<DetectionKind<3, true>>(detection), limits},
        {K::Detection4, kSingleModels, "Detection Input 4",
         Part<DetectionKind<3, false>>(detection), limits},
        {K::Alarm, kEveryModel, "Logs", none, still},
    };
    for (PageRow &row : rows) {
        row.part.key = row.key;
        row.part.page = row.name;
        // A model has each page once.
        Q_ASSERT(std::none_of(rows.begin(), rows.end(), [&row](const PageRow &other) {
            return &other != &row && other.key == row.key && (other.models & row.models);
        }));
    }
    return rows;
}
}  // namespace

bool PageRow::On(int productType) const
{
    const unsigned model = IsDual(productType)   ? kDualModel
                           : HasAgc(productType) ? kAgcModel
                                                 : kPlainModel;
    return (models & model) != 0;
}

const std::vector<PageRow> &PageRows()
{
    static const std::vector<PageRow> rows = Build();
    return rows;
}

const PageRow *FindPage(int productType, PageKey key)
{
    for (const PageRow &row : PageRows()) {
        if (row.key == key && row.On(productType)) {
            return &row;
        }
    }
    return nullptr;
}
