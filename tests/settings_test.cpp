#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/test_folder.h"

namespace vellum {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::string File() const { return (dir.Path() / "VellumText.ini").string(); }
};

TEST_F(SettingsTest, WithoutAStoredValueTheDesktopIsTheDefault) {
    const std::string desktop = platform::DesktopFolder();
    EXPECT_EQ(LoadOutputFolderFrom(File()), desktop);  // no file
    dir.Write("VellumText.ini", "[OutputPath]\nDefault=\n");
    EXPECT_EQ(LoadOutputFolderFrom(File()), desktop);  // empty value
    dir.Write("VellumText.ini", "[Other]\nDefault=x\n");
    EXPECT_EQ(LoadOutputFolderFrom(File()), desktop);  // other section
}

TEST_F(SettingsTest, AStoredValueComesBackUnchanged) {
    dir.Write("VellumText.ini", "[OutputPath]\r\nDefault=D:\\Out\r\n");
    EXPECT_EQ(LoadOutputFolderFrom(File()), "D:\\Out");
}

TEST_F(SettingsTest, SavingCreatesReplacesAndEmptiesTheValue) {
    ASSERT_TRUE(SaveOutputFolderTo(File(), "first"));
    EXPECT_EQ(LoadOutputFolderFrom(File()), "first");
    ASSERT_TRUE(SaveOutputFolderTo(File(), "second"));
    EXPECT_EQ(LoadOutputFolderFrom(File()), "second");
    ASSERT_TRUE(SaveOutputFolderTo(File(), ""));
    EXPECT_EQ(LoadOutputFolderFrom(File()), platform::DesktopFolder());
    EXPECT_EQ(platform::ReadProfileString(File(), "OutputPath", "Default"), "");
}

TEST_F(SettingsTest, SavingKeepsTheRestOfTheFile) {
    dir.Write("VellumText.ini", "[Before]\nA=1\n[OutputPath]\nOther=2\nDefault=old\n[After]\nDefault=3\n");
    ASSERT_TRUE(SaveOutputFolderTo(File(), "new"));
    EXPECT_EQ(platform::ReadProfileString(File(), "Before", "A"), "1");
    EXPECT_EQ(platform::ReadProfileString(File(), "OutputPath", "Other"), "2");
    EXPECT_EQ(platform::ReadProfileString(File(), "OutputPath", "Default"), "new");
    EXPECT_EQ(platform::ReadProfileString(File(), "After", "Default"), "3");
}

TEST_F(SettingsTest, ALongValueIsReadAsItsFirst259Bytes) {
    const std::string value(400, 'v');
    ASSERT_TRUE(SaveOutputFolderTo(File(), value));
    EXPECT_EQ(LoadOutputFolderFrom(File()), value.substr(0, 259));
}

}  // namespace
}  // namespace vellum
