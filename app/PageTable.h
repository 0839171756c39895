#pragma once

#include "Pages.h"

#include <QMetaObject>

#include <functional>
#include <vector>

class CmdThread;
class cfg;

// The branches of the tree: items that show no page. A page names the branch
// it sits under; a branch appears where its first page does.
enum class Branch {
    Top,  // no branch: a top-level item
    SignalIO,
    SwitchControl,
    Alarms,
    Settings,        // Alarms > Settings
    SettingsGroupA,  // Alarms > Settings > Group A
    SettingsGroupB,
};

struct TreeBranch {
    Branch parent;
    const char *text;  // untranslated, context "cfg"
};
const TreeBranch &BranchOf(Branch branch);

// Where a page sits in one kind of model's tree: under `parent`, reading
// `text` (untranslated, context "cfg"); a null text: not on that kind.
struct TreePlace {
    Branch parent;
    const char *text;
};

// A connection that the wiring makes and takes down again: a worker signal
// to the page that shows it, one page's signal to a page it keeps up to date
// (`to`), or one of the window's signals to the page.
using WorkerJoin = std::function<QMetaObject::Connection(CmdThread *, BaseWidget *)>;
struct PageJoin {
    PageKey to;
    std::function<QMetaObject::Connection(BaseWidget *from, BaseWidget *to)> join;
};
using WindowJoin = std::function<QMetaObject::Connection(cfg *, BaseWidget *)>;

// Everything the window knows of one page. Adding a page is one descriptor
// (and, when it has parameters, its part in params/ParamsFile).
struct PageDescriptor {
    PageKey key;
    // The tree shows the pages of a model by this rank, which differs from
    // the page list's order (the table's) for the AGC page and the board.
    int treeRank;
    TreePlace dual;                            // on the dual 2x1 model
    TreePlace single;                          // on the 4x1 models
    bool agcOnly;                              // of the 4x1 models, only on the AGC one
    BaseWidget *(*make)(const PageContext &);  // null: the window keeps the page
    std::vector<WorkerJoin> worker;
    std::vector<PageJoin> tells;
    std::vector<WindowJoin> window;

    // Its place in the tree of `productType`; a null text when the model has
    // no such page.
    TreePlace PlaceIn(int productType) const;
};

// Every page of every model, in page-list order.
const std::vector<PageDescriptor> &PageDescriptors();
