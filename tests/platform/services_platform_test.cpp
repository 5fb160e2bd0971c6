#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/battery.h"
#include "platform/machine_id.h"
#include "tests/support/test_env.h"

namespace {

TEST(BatteryTest, FirstBatteryWithACharge) {
  ScratchDir sys;
  EXPECT_EQ(PlatformBatteryPercent(sys.File("missing").c_str()), -1);
  EXPECT_EQ(PlatformBatteryPercent(sys.path().c_str()), -1);

  auto supply = [&](const std::string& name, const char* type, const char* capacity) {
    mkdir(sys.File(name).c_str(), 0700);
    WriteFileBytes(sys.File(name + "/type"), std::string(type) + "\n");
    if (capacity != nullptr) WriteFileBytes(sys.File(name + "/capacity"), std::string(capacity) + "\n");
  };
  supply("AC", "Mains", "99");
  EXPECT_EQ(PlatformBatteryPercent(sys.path().c_str()), -1);  // mains power is no battery
  supply("BAT1", "Battery", "57");
  EXPECT_EQ(PlatformBatteryPercent(sys.path().c_str()), 57);
  supply("BAT0", "Battery", "full");
  EXPECT_EQ(PlatformBatteryPercent(sys.path().c_str()), 57);  // BAT0 tells no number
  supply("BAT0", "Battery", "150");
  EXPECT_EQ(PlatformBatteryPercent(sys.path().c_str()), 100);
}

TEST(MachineIdTest, SerialIsStable) { EXPECT_EQ(PlatformVolumeSerial(), PlatformVolumeSerial()); }

}  // namespace
