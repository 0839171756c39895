#pragma once

// What the command worker needs of a page to run a parameter-file import:
// the page base class implements it. Keeping it this small keeps the link
// free of widgets.
class ImportTarget
{
public:
    virtual ~ImportTarget() = default;
    // Reads this page's elements from the parameter document and writes them
    // to the device, on the worker thread, without touching any widget.
    // 0 on success, -1 on failure.
    virtual int ImportParameters() = 0;
};
