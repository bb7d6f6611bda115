// The network-quality tool's JSON answer.
#include "FuzzRoot.h"
#include "speedtest/SpeedTool.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray output(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tv::Date at = tv::dateFromSeconds(1'700'000'000);
    if (auto result = tv::SpeedTool::parse(output, at)) {
        tv::fuzz::check(
            std::isfinite(result->down) && std::isfinite(result->up) && std::isfinite(result->ping),
            "every figure is finite");
        tv::fuzz::check(result->down >= 0 && result->up >= 0 && result->ping >= 0,
                        "no figure is negative");
        tv::fuzz::check(result->down > 0 || result->up > 0, "a result measured something");
        tv::fuzz::check(result->at == at, "a result is dated when it was read");
    }
    return 0;
}
