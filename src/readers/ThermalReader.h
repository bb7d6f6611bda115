#pragma once

#include <memory>

#include "core/ThermalSample.h"
#include "platform/ThermalSource.h"

namespace tv {

// Temperatures and fans. A sensor value counts only strictly between 0 and 150 °C; the
// battery only strictly between 0 and 80 °C.
class ThermalReader {
  public:
    explicit ThermalReader(std::unique_ptr<ThermalSource> source) : source_(std::move(source)) {}

    ThermalSample read();

    static bool plausible(double celsius) { return celsius > 0 && celsius < 150; }

  private:
    std::unique_ptr<ThermalSource> source_;
};

}  // namespace tv
