// libFuzzer entry: every input is a file handed to the program.
#include <cstdio>
#include <cstdlib>

#include "fuzz_chain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = corvane::fuzz::RunWholeChain({data, size});
    if (!fault.empty()) {
        std::fprintf(stderr, "broken invariant: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
