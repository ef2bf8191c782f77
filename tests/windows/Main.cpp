// The Windows tests' entry point. Started with "--sleep-ms N" the program only sleeps and
// exits 7: the process tests start it as a child that runs for as long as they need.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/Sleep.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--sleep-ms") == 0) {
    platform::Sleep(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    return 7;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
