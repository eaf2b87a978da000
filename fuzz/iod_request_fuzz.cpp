// vorn-iod's request framing and dispatch over the simulated board: a byte stream as a client
// would send it, cut into frames, each frame dispatched (item requests through the item path),
// every control code reachable.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "request_dispatcher.h"
#include "request_framer.h"
#include "sim_board.h"

namespace {

CSimBoard& Board() {
    static std::unique_ptr<CSimBoard> board = [] {
        std::string error;
        auto b = CSimBoard::Load(VORN_SIM_BOARD_FILE, &error);
        if (!b)
            __builtin_trap();
        b->SetDrift(false);
        return b;
    }();
    return *board;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRequestDispatcher dispatcher(Board());
    CRequestFramer framer;
    CFuzzInput input(data, size);
    while (!input.Empty()) {
        // The stream arrives in pieces of any size, never more than the frame still needs.
        const size_t piece = std::min<size_t>(input.Byte() + 1, framer.Missing());
        auto bytes = input.Bytes(piece);
        if (!framer.Append(bytes))
            return 0;  // malformed: the connection closes
        if (!framer.HasRequest())
            continue;
        vornio::DeviceRequest request = framer.Take();
        if (auto item = CRequestDispatcher::AsItemRequest(request.code, request.input))
            (void)dispatcher.RunItemRequest(*item);
        else
            (void)dispatcher.Dispatch(request.code, request.input, 0);
    }
    return 0;
}
