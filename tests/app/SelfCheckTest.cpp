#include "app/SelfCheck.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace tv {
namespace {

CheckReport sampleReport() {
    CheckReport r;
    r.cpu = CPUSample{{0.25, 0.75}, 0.4, 0.1, {}};
    r.load = {0.5, 0.25, 0.126};
    r.chip = "Test Chip";
    r.efficiencyCores = 2;
    r.bootedAt = dateFromSeconds(1'700'000'000);
    r.takenAt = r.bootedAt + Seconds(61 * 60);
    r.memory = MemorySample{8ULL << 30,   2ULL << 30, 1ULL << 30, 1ULL << 30,
                            512ULL << 20, 0,          2ULL << 30, 1};
    r.unavailable = {{"gpu", "no GPU"}};
    r.fontFolder = "/opt/tv/share/tallyvane/fonts";
    return r;
}

TEST(SelfCheck, DescribesEveryReadingForAPerson) {
    std::string text = describeCheck(sampleReport());
    for (const char* expected :
         {"CPU: 50% (user 40%, system 10%)", "Cores (2): 25% 75%", "Load: 0.50 0.25 0.13",
          "Chip: Test Chip", "Efficiency cores: 2", "Uptime: Up 1 hr 1 min",
          "Memory: 4.0 GB used of 8.0 GB", "compressed 1.0 GB", "cached 512 MB",
          "Swap: 0 MB used of 2.0 GB", "Pressure: 1 (normal)", "gpu: no GPU",
          "Panel font: /opt/tv/share/tallyvane/fonts", "Sounds: not found"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    CheckReport noCpu = sampleReport();
    noCpu.cpu.reset();
    EXPECT_NE(describeCheck(noCpu).find("CPU: not available"), std::string::npos);
}

TEST(SelfCheck, JsonKeysAreTheRecordFields) {
    QJsonObject json = checkAsJson(sampleReport());
    EXPECT_EQ(json["cpu"].toObject()["cores"].toArray().size(), 2);
    EXPECT_EQ(json["cpu"].toObject()["user"].toDouble(), 0.4);
    EXPECT_EQ(json["memory"].toObject()["total"].toDouble(), static_cast<double>(8ULL << 30));
    EXPECT_EQ(json["memory"].toObject()["pressure"].toInt(), 1);
    EXPECT_EQ(json["load"].toArray().size(), 3);
    EXPECT_EQ(json["efficiencyCores"].toInt(), 2);
    EXPECT_EQ(json["bootedAt"].toString(), "2023-11-14T22:13:20Z");
    EXPECT_EQ(json["unavailable"].toArray()[0].toObject()["reading"].toString(), "gpu");
    EXPECT_EQ(json["fontFolder"].toString(), "/opt/tv/share/tallyvane/fonts");
    EXPECT_TRUE(json["soundFolder"].isNull());
}

}  // namespace
}  // namespace tv
