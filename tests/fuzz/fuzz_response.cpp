// Fuzz target: a device answer of any kind, parsed as the answer to a request
// of any type code, then shown in the text forms the pages use.

#include "ConfigMessages.h"
#include "DeviceTables.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"
#include "TextForms.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // First byte: the request's type code (0 to 69 covers codes without a
    // class too); the rest: the datagram as received, up to the receive buffer
    // and a little beyond it.
    if (size < 1 || size > 1100) {
        return 0;
    }
    const int requestType = data[0] % 70;
    const quint8 *datagram = data + 1;
    const int datagramSize = static_cast<int>(size - 1);

    std::unique_ptr<ResponseMsg> response = CreateResponseFor(requestType, datagram, datagramSize);
    if (!response || response->Parse(datagram, datagramSize) != 0) {
        return 0;
    }
    if (auto *product = dynamic_cast<ResponseGetProductInfo *>(response.get())) {
        (void)SerialNumberText(product->serial.data());
        (void)ModelName(product->productCode);
        (void)ProductTypeId(product->productCode);
    } else if (auto *version = dynamic_cast<ResponseGetVersion *>(response.get())) {
        (void)PcbVersionText(version->pcb);
        (void)FpgaVersionText(version->fpga);
        (void)FirmwareVersionText(version->firmware);
    } else if (auto *net = dynamic_cast<ResponseGetNetParam *>(response.get())) {
        quint32 back = 0;
        if (!ParseAddress(AddressText(net->ip), &back) || back != net->ip) {
            __builtin_trap();  // the text form must read back to the same address
        }
    } else if (auto *state = dynamic_cast<ResponseGetInputState *>(response.get())) {
        int x = 0;
        int y = 0;
        for (VideoStandard standard : state->standard) {
            RegionLimits(VideoStandardName(standard, QStringLiteral("SDI")), x, y);
        }
        (void)VideoStandardName(state->genlockStandard, QStringLiteral("Genlock"));
    }
    return 0;
}
