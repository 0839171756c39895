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

// Where a page sits in the tree: under `parent`, reading `text`
// (untranslated, context "cfg"); a null text: nowhere.
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

// What the window adds to a page's row in params/PageList: its widgets, its
// place in the tree and its connections. Which models have the page, its
// order, its part and its poll come from the row.
struct PageDescriptor {
    PageKey key;
    // The tree shows the pages of a model by this rank, which differs from
    // the page list's order for the AGC page and the board.
    int treeRank;
    TreePlace place;
    TreePlace singlePlace;  // on the 4x1 models where it differs; a null text: the same
    BaseWidget *(*make)(const PageContext &);  // null: the window keeps the page
    std::vector<WorkerJoin> worker;
    std::vector<PageJoin> tells;
    std::vector<WindowJoin> window;

    // Its place in the tree of `productType`; a null text when the model has
    // no such page.
    TreePlace PlaceIn(int productType) const;
};

// Every page of every model, in page-list order (the rows').
const std::vector<PageDescriptor> &PageDescriptors();
