#pragma once

#include "core/ThermalSample.h"

namespace tv {

// The platform's thermal state: 0 nominal, 1 fair, 2 serious, 3 critical.
class ThermalStateSource {
  public:
    virtual ~ThermalStateSource() = default;
    virtual ThermalState read() = 0;
    // False when the platform gives nothing to know the state by (it then reads nominal).
    virtual bool known() const { return true; }
};

}  // namespace tv
