// libFuzzer entry: every input is a string of player events for the rule book.
#include "GameEventFuzzer.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto result = tarnwick::testing::GameEventFuzzer::run({ data, size });
    if (!result.failure.empty()) {
        std::fprintf(stderr, "broken rule: %s\n", result.failure.c_str());
        std::abort();
    }
    return 0;
}
