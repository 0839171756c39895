#pragma once

// Every kind of page the tool shows. A tree item carries the key of its
// page, so nothing depends on the item's text, which the language changes.
// It lives below the pages so that a part of the parameter file names its
// page without widgets.
enum class PageKey {
    None,  // a branch of the tree
    General,
    Genlock,
    SignalIO,  // the 4x1 models' one group
    SignalIOA,
    SignalIOB,
    AGC,
    SwitchControl,
    SwitchControlA,
    SwitchControlB,
    Trigger,  // alarm combination
    GPIO,
    SystemAlarms,
    Status,
    Detection1,
    Detection2,
    Detection3,
    Detection4,
    Alarm,  // the alarm log
};
