#pragma once

#include "CmdThread.h"
#include "PageKey.h"
#include "ParamsFile.h"

#include <vector>

// Which of the three models have a page, as bits.
enum ModelSet : unsigned {
    kDualModel = 1,   // the dual 2x1
    kPlainModel = 2,  // the 4x1 without AGC
    kAgcModel = 4,    // the 4x1 with AGC, and any code the tool does not know
    kSingleModels = kPlainModel | kAgcModel,
    kEveryModel = kDualModel | kSingleModels,
};

// One page of the models in `models`. A page whose parameter part or name
// differs between the dual model and the 4x1 ones has a row for each.
struct PageRow {
    PageKey key;
    unsigned models;
    const char *name;  // in English, as messages and the journal name it
    ParamPart part;    // its part of the parameter file; exportTo null: none
    PagePoll poll;     // what the command worker repeats while it is shown

    bool On(int productType) const;
    bool HasPart() const { return part.exportTo != nullptr; }
};

// Every page of every model, in page-list order: the order of the tree's
// pages, of the parameter file's parts and of the journal's.
const std::vector<PageRow> &PageRows();
// The row of `productType`'s page `key`; null when that model has no such page.
const PageRow *FindPage(int productType, PageKey key);
