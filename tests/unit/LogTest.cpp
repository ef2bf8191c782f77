#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "common/Log.h"

namespace {

struct Widget {
  static void Fail() { LOG_ERROR("set flag fail"); }
  template <class T>
  int Templated(T) {
    LOG_WARN("note (with parentheses)");
    return 0;
  }
};

TEST(FileName, DropsTheFolders) {
  EXPECT_STREQ(fdlog::FileName("/home/a/src/ipc/MsgEvent.cpp"), "MsgEvent.cpp");
  EXPECT_STREQ(fdlog::FileName("C:\\build\\src\\Log.cpp"), "Log.cpp");
  EXPECT_STREQ(fdlog::FileName("Plain.cpp"), "Plain.cpp");
  EXPECT_STREQ(fdlog::FileName(nullptr), "");
}

TEST(QualifiedName, StripsReturnTypeAndParameters) {
  using fdlog::QualifiedName;
  EXPECT_EQ(QualifiedName("bool CMsgEvent::Register()"), "CMsgEvent::Register");
  EXPECT_EQ(QualifiedName("static void DeviceDriverErrorDetectEx::SetRepairFailFlag(int)"),
            "DeviceDriverErrorDetectEx::SetRepairFailFlag");
  EXPECT_EQ(QualifiedName("std::map<int, std::basic_string<char> > ns::A::B(std::pair<int, int>)"),
            "ns::A::B");
  EXPECT_EQ(QualifiedName("const char* X::Name() const"), "X::Name");
  EXPECT_EQ(QualifiedName("void f()"), "f");
  EXPECT_EQ(QualifiedName("CMsgEvent::Register()::<lambda()>"), "CMsgEvent::Register");
  EXPECT_EQ(QualifiedName("int Widget::Templated(T) [with T = int]"), "Widget::Templated");
  EXPECT_EQ(QualifiedName("void X::operator()(int)"), "X::operator()");
}

class LogTest : public EmuTest {};

TEST_F(LogTest, LinesCarryLevelTextFunctionAndSite) {
  Widget::Fail();
  Widget().Templated(1);
  const auto lines = Lines("log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["level"], 40000);
  EXPECT_EQ(lines[0]["text"], "set flag fail");
  EXPECT_EQ(lines[0]["function"], "{anonymous}::Widget::Fail");
  EXPECT_EQ(lines[0]["file"], "LogTest.cpp");  // the same from every checkout folder
  EXPECT_GT(lines[0]["line"].get<int>(), 0);
  EXPECT_NE(lines[0]["signature"].get<std::string>().find("static void"), std::string::npos);
  EXPECT_EQ(lines[1]["level"], 30000);
  EXPECT_EQ(lines[1]["text"], "note (with parentheses)");
  EXPECT_EQ(lines[1]["function"], "{anonymous}::Widget::Templated");
}

}  // namespace
