// Deleting and appending to a file in a folder the plug-in does not own, on the virtual drive:
// an ordinary file is deleted or written; a link or a second name is refused and left as it
// is, with the file it leads to; a failing call is a failure, never a partial write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>
#include "EmuFixture.h"
#include "common/LinkSafeFile.h"
#include "emu/Faults.h"
#include "emu/OpenHandles.h"
#include "emu/VirtualDrive.h"

namespace {

constexpr const char* kLog = "C:\\Program Files\\Velmora\\Service\\VelmoraService.log";
constexpr const wchar_t* kLogW = L"C:\\Program Files\\Velmora\\Service\\VelmoraService.log";
constexpr const char* kTarget = "C:\\Windows\\System32\\drivers\\etc\\hosts";

class LinkSafeFileTest : public EmuTest {
 protected:
  emu::VirtualDrive& drive = emu::VirtualDrive::Instance();

  void Lay(const char* path, const std::string& text) {
    ASSERT_TRUE(drive.WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end())));
  }
  std::string Read(const char* path) {
    std::ifstream in(drive.HostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool IsLink(const char* path) {
    return std::filesystem::is_symlink(std::filesystem::symlink_status(drive.HostPath(path)));
  }
  void TearDown() override {
    EXPECT_TRUE(emu::OpenDriveFiles().empty());  // every handle closed, refused or not
    EmuTest::TearDown();
  }
};

TEST_F(LinkSafeFileTest, AnOrdinaryFileIsAppendedToAndDeleted) {
  EXPECT_FALSE(common::DeleteLinkSafe(kLogW));  // not there
  Lay("C:\\Program Files\\Velmora\\Service\\placeholder", "");
  ASSERT_TRUE(common::AppendLinkSafe(kLogW, "first\n"));  // created
  ASSERT_TRUE(common::AppendLinkSafe(kLogW, "second\n"));
  EXPECT_EQ(Read(kLog), "first\nsecond\n");
  EXPECT_EQ(Lines("file").size(), 2u);
  EXPECT_TRUE(common::DeleteLinkSafe(kLogW));
  EXPECT_FALSE(drive.Exists(kLog));
  const auto lines = Lines("file");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2]["op"], "deleted");
  EXPECT_EQ(lines[2]["path"], kLog);
}

TEST_F(LinkSafeFileTest, ASecondNameIsRefusedAndTheFileKeepsItsBytes) {
  Lay(kTarget, "127.0.0.1 localhost\n");
  ASSERT_TRUE(drive.Link(kLog, kTarget, emu::VirtualDrive::LinkKind::Hard));
  EXPECT_FALSE(common::AppendLinkSafe(kLogW, "00001234 GetDiskInfo\n"));
  EXPECT_FALSE(common::DeleteLinkSafe(kLogW));
  EXPECT_EQ(Read(kLog), "127.0.0.1 localhost\n");
  EXPECT_EQ(Read(kTarget), "127.0.0.1 localhost\n");
  EXPECT_TRUE(Lines("file").empty());
  // A refusal is logged once in the life of the module (an earlier test may have had it):
  // never twice for the two calls here.
  const auto logs = Lines("log");
  ASSERT_LE(logs.size(), 1u);
  for (const auto& log : logs)
    EXPECT_EQ(log["text"], std::string("refused to write ") + kLog +
                               ": a link or a file with more than one name");
}

TEST_F(LinkSafeFileTest, ASymbolicLinkIsRefusedNotFollowed) {
  Lay(kTarget, "127.0.0.1 localhost\n");
  ASSERT_TRUE(drive.Link(kLog, kTarget, emu::VirtualDrive::LinkKind::Symbolic));
  EXPECT_FALSE(common::DeleteLinkSafe(kLogW));
  EXPECT_FALSE(common::AppendLinkSafe(kLogW, "text\n"));
  EXPECT_TRUE(IsLink(kLog));
  EXPECT_EQ(Read(kTarget), "127.0.0.1 localhost\n");
  EXPECT_TRUE(Lines("file").empty());
}

TEST_F(LinkSafeFileTest, FailingCallsWriteAndDeleteNothing) {
  Lay(kLog, "old\n");
  emu::Faults::Instance().Load(nlohmann::json::parse(
      R"([{"call": "WriteFile", "nth": 1}, {"call": "GetFileInformationByHandle", "nth": 2},
          {"call": "SetFileInformationByHandle", "nth": 1}])"));
  EXPECT_FALSE(common::AppendLinkSafe(kLogW, "new\n"));  // the write fails
  EXPECT_FALSE(common::DeleteLinkSafe(kLogW));           // the handle's information fails
  EXPECT_FALSE(common::DeleteLinkSafe(kLogW));           // the disposition fails
  EXPECT_EQ(Read(kLog), "old\n");
  EXPECT_TRUE(common::DeleteLinkSafe(kLogW));
  EXPECT_FALSE(drive.Exists(kLog));
}

}  // namespace
