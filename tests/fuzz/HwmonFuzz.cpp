// hwmon values: a sensor's driver name, label and readings.
#include "FuzzRoot.h"
#include "platform/linux/system/LinuxThermalSource.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const tv::fuzz::FuzzRoot& root = tv::fuzz::FuzzRoot::get();
    const std::string dir = "sys/class/hwmon/hwmon0/";
    for (const char* file : {"name", "temp1_label", "temp1_input", "temp1_max", "temp2_input",
                             "fan1_input", "fan1_min", "fan1_max"}) {
        root.write(dir + file, input.ConsumeRandomLengthString(64));
    }
    tv::linux_os::LinuxThermalSource source(root.path());
    tv::SensorReadings readings = source.read();
    for (const auto* values : {&readings.cpu, &readings.cpuAll, &readings.gpu}) {
        for (double value : *values) {
            tv::fuzz::check(std::isfinite(value), "a temperature is a finite number");
        }
    }
    for (const tv::Fan& fan : readings.fans) {
        tv::fuzz::check(std::isfinite(fan.rpm) && fan.rpm >= 0 && std::isfinite(fan.min) &&
                            std::isfinite(fan.max),
                        "a fan speed is a finite, non-negative number");
    }
    return 0;
}
