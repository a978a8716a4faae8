// Pieces that several suites' case tables share.
#pragma once

#include "TestFiles.h"

#include <string>
#include <string_view>

namespace tovix::testing {

// Names each case of a parameterised suite after its `name` member.
struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const
    {
        return info.param.name;
    }
};

// What Tovix prints when the bitstream fails to load, with this platform's
// line ends: `status` as "0x%08lx", then the status's message.
inline std::string LoadFailureReport(std::string_view status, std::string_view message)
{
    return WithPlatformLineEnds("**** Tovix - Function MarlekLoadFile returned an error\n        " +
                                std::string(status) + " : \"" + std::string(message) + "\"\n\n");
}

} // namespace tovix::testing
