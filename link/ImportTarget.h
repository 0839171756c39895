#pragma once

// What the command worker needs of the parameter file to run an import: the
// window's JournaledImport implements it over every part. Keeping it this
// small keeps the link free of the parameter models and of widgets.
class ImportTarget
{
public:
    virtual ~ImportTarget() = default;
    // Reads and checks this part of the parameter document, on the worker
    // thread, without touching the device. Every part does this before any
    // part writes, so a bad file writes nothing. 0 on success, -1 on failure.
    virtual int PrepareImport() = 0;
    // Writes this part to the device. 0 on success, -1 on failure.
    virtual int ImportParameters() = 0;
};
