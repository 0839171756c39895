// Fuzz target: a datagram as it arrives on the tool's notification port,
// where anyone on the device's subnet can send one. It is checked as the
// receiver checks it and, when accepted, named as the alarm log names it, for
// the dual model and for the others. An input is the datagram itself, so a
// crash file can be sent to the tool as it is.

#include "ByteOrder.h"
#include "NoticesServer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
// The device's rule for a datagram the tool takes, written apart from the
// parser: 10 to 1039 bytes, 8-bit sum of all bytes 0xFF, length field equal to
// the size less 2, version 1.
bool Acceptable(const uint8_t *data, size_t size)
{
    if (size < 10 || size > 1039) {
        return false;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
    const size_t length = (size_t(data[0]) << 8) | data[1];
    return (sum & 0xFF) == 0xFF && length == size - 2 && data[2] == 1;
}

void CheckAndName(const uint8_t *data, size_t size)
{
    NotificationMsg msg;
    const bool accepted = msg.Parse(data, static_cast<int>(size)) == 0;
    if (accepted != Acceptable(data, size)) {
        __builtin_trap();  // the receiver must take exactly what the rule allows
    }
    if (accepted) {
        AudioMasks masks;
        (void)DescribeNotification(msg, false, masks);
        (void)DescribeNotification(msg, true, masks);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A little beyond the largest datagram the receiver takes.
    if (size > 1100) {
        return 0;
    }
    CheckAndName(data, size);

    // The same bytes with the checksum made right: a random byte sum is right
    // only once in 256, and the naming should see every field value.
    if (size > 0) {
        std::vector<uint8_t> fixed(data, data + size);
        fixed.back() = 0;
        fixed.back() = static_cast<uint8_t>(0xFF - ByteSum(fixed.data(), int(size)));
        CheckAndName(fixed.data(), size);
    }
    return 0;
}
