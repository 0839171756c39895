#pragma once

#include <QString>
#include <QtGlobal>

// Text forms in which the device's values are shown to the operator.

// "AB00012345-00000042" from the 8-byte serial block; shorter, possibly
// empty, where the block holds something out of range.
QString SerialNumberText(const quint8 *block);

QString PcbVersionText(quint32 pcb);            // "1.3"
QString FpgaVersionText(quint32 fpga);          // "20180523"
QString FirmwareVersionText(quint32 firmware);  // "1.2.42"

// Dotted-decimal text of an address held most significant byte first.
QString AddressText(quint32 address);

// Strict dotted-decimal parsing: four decimal numbers 0-255, nothing else.
// Returns false (and leaves `address` alone) for any other text.
bool ParseAddress(const QString &text, quint32 *address);
