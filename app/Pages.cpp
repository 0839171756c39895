#include "Pages.h"

#include "AGC.h"
#include "Detection.h"
#include "DeviceTables.h"
#include "GPIO.h"
#include "General.h"
#include "GenlockWidget.h"
#include "SignalIO2X1.h"
#include "SignalIO4X1.h"
#include "Status2x1.h"
#include "Status4x1.h"
#include "SwitchControl2X1.h"
#include "SwitchControl4X1.h"
#include "SystemAlarms2x1.h"
#include "SystemAlarms4x1.h"
#include "Trigger.h"

#include <QCoreApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <initializer_list>

namespace {
// One line of a model's tree: its depth (0 for the top level, the parent
// being the nearest line above with one less), its untranslated text, and
// the page it shows (None for a branch).
struct TreeRow {
    int depth;
    const char *text;
    PageKey key;
};

using Rows = std::initializer_list<TreeRow>;

const Rows kDualTree = {
    {0, QT_TRANSLATE_NOOP("cfg", "General"), PageKey::General},
    {0, QT_TRANSLATE_NOOP("cfg", "Signal I/O"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Genlock"), PageKey::Genlock},
    {1, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::SignalIOA},
    {1, QT_TRANSLATE_NOOP("cfg", "Group B"), PageKey::SignalIOB},
    {0, QT_TRANSLATE_NOOP("cfg", "Switch Control"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::SwitchControlA},
    {1, QT_TRANSLATE_NOOP("cfg", "Group B"), PageKey::SwitchControlB},
    {1, QT_TRANSLATE_NOOP("cfg", "Alarm Combination"), PageKey::Trigger},
    {0, QT_TRANSLATE_NOOP("cfg", "GPIO"), PageKey::GPIO},
    {0, QT_TRANSLATE_NOOP("cfg", "Alarms"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Settings"), PageKey::None},
    {2, QT_TRANSLATE_NOOP("cfg", "System"), PageKey::SystemAlarms},
    {2, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::None},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 1"), PageKey::Detection1},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 2"), PageKey::Detection2},
    {2, QT_TRANSLATE_NOOP("cfg", "Group B"), PageKey::None},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 1"), PageKey::Detection3},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 2"), PageKey::Detection4},
    {1, QT_TRANSLATE_NOOP("cfg", "Status"), PageKey::Status},
    {1, QT_TRANSLATE_NOOP("cfg", "Logs"), PageKey::Alarm},
};

// The 4x1 models; the AGC item only on the AGC model.
const Rows k4x1Tree = {
    {0, QT_TRANSLATE_NOOP("cfg", "General"), PageKey::General},
    {0, QT_TRANSLATE_NOOP("cfg", "Signal I/O"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Genlock"), PageKey::Genlock},
    {1, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::SignalIO},
    {0, QT_TRANSLATE_NOOP("cfg", "AGC"), PageKey::AGC},
    {0, QT_TRANSLATE_NOOP("cfg", "Switch Control"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::SwitchControl},
    {1, QT_TRANSLATE_NOOP("cfg", "Alarm Combination"), PageKey::Trigger},
    {0, QT_TRANSLATE_NOOP("cfg", "GPIO"), PageKey::GPIO},
    {0, QT_TRANSLATE_NOOP("cfg", "Alarms"), PageKey::None},
    {1, QT_TRANSLATE_NOOP("cfg", "Settings"), PageKey::None},
    {2, QT_TRANSLATE_NOOP("cfg", "System"), PageKey::SystemAlarms},
    {2, QT_TRANSLATE_NOOP("cfg", "Group A"), PageKey::None},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 1"), PageKey::Detection1},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 2"), PageKey::Detection2},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 3"), PageKey::Detection3},
    {3, QT_TRANSLATE_NOOP("cfg", "Input 4"), PageKey::Detection4},
    {1, QT_TRANSLATE_NOOP("cfg", "Status"), PageKey::Status},
    {1, QT_TRANSLATE_NOOP("cfg", "Logs"), PageKey::Alarm},
};

const Rows &TreeOf(int productType)
{
    return IsDual(productType) ? kDualTree : k4x1Tree;
}

using Factory = BaseWidget *(*)(const PageContext &);

template <class T>
BaseWidget *Make(const PageContext &context)
{
    return new T(context.client, context.parent);
}

// The dual model's pages that exist once per switching group (0 A, 1 B).
template <class T, int PageIndex>
BaseWidget *MakeGroup(const PageContext &context)
{
    return new T(context.client, PageIndex, context.parent);
}

// The pages that exist once per input (index 0 to 3) on every model; the
// model decides where they sit in the parameter file.
template <class T, int InputIndex>
BaseWidget *MakeInput(const PageContext &context)
{
    return new T(context.client, InputIndex, context.productType, context.parent);
}

// One status board per model: the dual model's has its groups' lamps.
BaseWidget *MakeStatus(const PageContext &context)
{
    if (IsDual(context.productType)) {
        return new Status2x1(context.client, context.parent);
    }
    return new Status4x1(context.client, context.parent);
}

// The alarm combination names its columns after the model's inputs.
BaseWidget *MakeTrigger(const PageContext &context)
{
    return new Trigger(context.client, context.productType, context.parent);
}

// The dual model's system alarms have each group's switching events.
BaseWidget *MakeSystemAlarms(const PageContext &context)
{
    if (IsDual(context.productType)) {
        return new SystemAlarms2x1(context.client, context.parent);
    }
    return new SystemAlarms4x1(context.client, context.parent);
}

struct FactoryRow {
    PageKey key;
    Factory make;
};

// The alarm combination, system alarm, status, detection and alarm log pages
// come with their classes; a key without a row has no page, and its tree item
// shows nothing.
const FactoryRow kFactories[] = {
    {PageKey::General, Make<General>},
    {PageKey::Genlock, Make<GenlockWidget>},
    {PageKey::GPIO, Make<GPIO>},
    {PageKey::AGC, Make<AGC>},
    {PageKey::SignalIO, Make<SignalIO4X1>},
    {PageKey::SignalIOA, MakeGroup<SignalIO2X1, 0>},
    {PageKey::SignalIOB, MakeGroup<SignalIO2X1, 1>},
    {PageKey::SwitchControl, Make<SwitchControl4X1>},
    {PageKey::SwitchControlA, MakeGroup<SwitchControl2X1, 0>},
    {PageKey::SwitchControlB, MakeGroup<SwitchControl2X1, 1>},
    {PageKey::Detection1, MakeInput<Detection, 0>},
    {PageKey::Detection2, MakeInput<Detection, 1>},
    {PageKey::Detection3, MakeInput<Detection, 2>},
    {PageKey::Detection4, MakeInput<Detection, 3>},
    {PageKey::Trigger, MakeTrigger},
    {PageKey::SystemAlarms, MakeSystemAlarms},
    {PageKey::Status, MakeStatus},
};
}  // namespace

BaseWidget *CreatePage(PageKey key, const PageContext &context)
{
    for (const FactoryRow &row : kFactories) {
        if (row.key == key) {
            return row.make(context);
        }
    }
    return nullptr;
}

const QList<PageKey> &PageOrder(int productType)
{
    using K = PageKey;
    static const QList<PageKey> dual = {
        K::General,        K::Genlock,    K::SignalIOA,  K::SignalIOB,    K::SwitchControlA,
        K::SwitchControlB, K::Trigger,    K::GPIO,       K::SystemAlarms, K::Status,
        K::Detection1,     K::Detection2, K::Detection3, K::Detection4,   K::Alarm};
    static const QList<PageKey> single = {
        K::General,    K::Genlock,      K::SignalIO, K::SwitchControl, K::Trigger,
        K::GPIO,       K::SystemAlarms, K::Status,   K::Detection1,    K::Detection2,
        K::Detection3, K::Detection4,   K::Alarm};
    static const QList<PageKey> agc = {
        K::General,    K::Genlock,    K::SignalIO,     K::SwitchControl, K::AGC,
        K::Trigger,    K::GPIO,       K::SystemAlarms, K::Status,        K::Detection1,
        K::Detection2, K::Detection3, K::Detection4,   K::Alarm};
    if (IsDual(productType)) {
        return dual;
    }
    return HasAgc(productType) ? agc : single;
}

void BuildTree(QTreeWidget *tree, int productType)
{
    tree->clear();
    QList<QTreeWidgetItem *> parents;  // the last item of each depth so far
    for (const TreeRow &row : TreeOf(productType)) {
        if (row.key == PageKey::AGC && !HasAgc(productType)) {
            continue;
        }
        Q_ASSERT(row.depth <= parents.size());
        auto *item = row.depth == 0 ? new QTreeWidgetItem(tree)
                                    : new QTreeWidgetItem(parents.at(row.depth - 1));
        item->setData(0, kSourceTextRole, QByteArray(row.text));
        item->setData(0, kPageKeyRole, static_cast<int>(row.key));
        item->setText(0, QCoreApplication::translate("cfg", row.text));
        parents = parents.mid(0, row.depth);
        parents.append(item);
    }
    tree->expandAll();
}

void RetranslateTree(QTreeWidget *tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QByteArray source = (*it)->data(0, kSourceTextRole).toByteArray();
        (*it)->setText(0, QCoreApplication::translate("cfg", source.constData()));
    }
}

PageKey KeyOf(const QTreeWidgetItem *item)
{
    return item ? static_cast<PageKey>(item->data(0, kPageKeyRole).toInt()) : PageKey::None;
}

void Pages::Create(const PageContext &context)
{
    Destroy();
    for (PageKey key : PageOrder(context.productType)) {
        BaseWidget *page = nullptr;
        for (const auto &kept : context.kept) {
            if (kept.first == key) {
                page = kept.second;
            }
        }
        if (!page) {
            page = CreatePage(key, context);
            if (page) {
                m_owned.append(page);
            }
        }
        if (page) {
            page->SetDocument(context.document);
            page->hide();
            m_keyed.append({key, page});
            list.append(page);
        }
    }
}

void Pages::Destroy()
{
    qDeleteAll(m_owned);
    m_owned.clear();
    list.clear();
    m_keyed.clear();
}

BaseWidget *Pages::Find(PageKey key) const
{
    for (const auto &entry : m_keyed) {
        if (entry.first == key) {
            return entry.second;
        }
    }
    return nullptr;
}

QList<PageKey> Pages::Keys() const
{
    QList<PageKey> keys;
    for (const auto &entry : m_keyed) {
        keys.append(entry.first);
    }
    return keys;
}
