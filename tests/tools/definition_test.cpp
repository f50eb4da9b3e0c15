// Reading a package definition: "key = value" lines, comments, repeated keys.
#include "patch/definition.h"

#include <gtest/gtest.h>

namespace msptool {
namespace {

TEST(DefinitionTest, ReadsTrimmedKeysAndValuesInFileOrder) {
  Definition def;
  std::string error;
  ASSERT_TRUE(ParseDefinition(
      "# a comment\n\n  title =  Service Pack 1 \r\ntarget={A}\n   # indented comment\n"
      "target = {B}\nversion-rule = 16.1.84.0;16.1.63.10,\n",
      def, error))
      << error;
  EXPECT_EQ(def.One("title"), "Service Pack 1");
  EXPECT_EQ(def.All("target"), (std::vector<std::string>{"{A}", "{B}"}));
  EXPECT_EQ(def.Count("target"), 2);
  EXPECT_EQ(def.One("version-rule"), "16.1.84.0;16.1.63.10,");
  EXPECT_EQ(def.One("absent"), "");
  EXPECT_EQ(def.Count("absent"), 0);
}

TEST(DefinitionTest, AnEmptyValueIsKept) {
  Definition def;
  std::string error;
  ASSERT_TRUE(ParseDefinition("target = {A}\ntarget =\ntarget = {B}\n", def, error));
  EXPECT_EQ(def.All("target"), (std::vector<std::string>{"{A}", "", "{B}"}));
}

TEST(DefinitionTest, OnlyTheFirstEqualsSignSeparates) {
  Definition def;
  std::string error;
  ASSERT_TRUE(ParseDefinition("comments = a = b\n", def, error));
  EXPECT_EQ(def.One("comments"), "a = b");
}

TEST(DefinitionTest, MalformedLinesAreNamedByNumber) {
  for (const auto& [text, line] : std::vector<std::pair<std::string, std::string>>{
           {"title = x\nno equals sign\n", "line 2"}, {"= value\n", "line 1"}}) {
    Definition def;
    std::string error;
    EXPECT_FALSE(ParseDefinition(text, def, error)) << text;
    EXPECT_NE(error.find(line), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace msptool
