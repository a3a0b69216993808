// Arbitrary bytes on the simulated sensor's line: the frame parser must resynchronise on
// anything, and every frame it cuts out goes through the device model and the fault shaping
// without reading or writing out of bounds. The first byte picks the chunk size the bytes
// arrive in, the edition and whether a fault is armed; the rest is the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/frame_codec.h"
#include "sim/device_model.h"
#include "sim/frame_parser.h"
#include "sim/responder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    ++data;
    --size;
    const size_t chunk = size_t(control & 0x0F) * 7 + 1;
    sim::DeviceModel model(static_cast<sim::Edition>((control >> 4) & 0x03), 1234);
    model.SetNoise(control & 0x40 ? 5 : 0, control);
    sim::Responder responder(model);
    if (control & 0x80)
        responder.faults().Add({static_cast<sim::FaultKind>(control % 10), sim::kAnyOrder, 1, 2, control & 0x3F});

    sim::FrameParser parser;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = size - at < chunk ? size - at : chunk;
        parser.Feed(data + at, n, [&](const sim::ParsedFrame& frame) {
            if (frame.payload.size() != frame.header.length || frame.header.length > kMaxPayload)
                std::abort();
            const sim::Reply reply = responder.Respond(frame);
            size_t total = 0;
            for (const auto& piece : reply.pieces)
                total += piece.size();
            // The longest answer is the teach table: header and 512 bytes.
            if (total > size_t(kHeaderSize) + 512)
                std::abort();
        });
        // Never more than one unfinished frame is held.
        if (parser.pending() > size_t(kFrameBufferSize) + chunk)
            std::abort();
    }
    return 0;
}
