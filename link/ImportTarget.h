#pragma once

// What the command worker needs of a page to run a parameter-file import:
// the page base class implements it. Keeping it this small keeps the link
// free of widgets.
class ImportTarget
{
public:
    virtual ~ImportTarget() = default;
    // Reads and checks this page's elements of the parameter document, on
    // the worker thread, without touching any widget or the device. Every
    // page does this before any page writes, so a bad file writes nothing.
    // 0 on success, -1 on failure.
    virtual int PrepareImport() = 0;
    // Writes what PrepareImport read to the device. 0 on success, -1 on failure.
    virtual int ImportParameters() = 0;
};
