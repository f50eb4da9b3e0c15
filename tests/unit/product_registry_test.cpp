#include "installer/host/product_registry.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "package/summary_reader.h"
#include "platform/host/utf8.h"
#include "support/case_name.h"
#include "support/process_state.h"
#include "support/temp_dir.h"

namespace spinstall::installer::host {
namespace {

using platform::host::Narrow;
using platform::host::Widen;

void ExpectSameProducts(const std::vector<RegisteredProduct>& actual,
                        const std::vector<RegisteredProduct>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].code, expected[i].code) << i;
    EXPECT_EQ(actual[i].state, expected[i].state) << i;
    EXPECT_EQ(actual[i].configureResult, expected[i].configureResult) << i;
    EXPECT_EQ(actual[i].properties, expected[i].properties) << i;
  }
}

RegisteredProduct Product(const std::wstring& code, std::int32_t state, std::uint32_t result,
                          std::vector<std::pair<std::wstring, std::wstring>> properties) {
  RegisteredProduct product;
  product.code = code;
  product.state = state;
  product.configureResult = result;
  product.properties = std::move(properties);
  return product;
}

TEST(ProductRegistry, ParsesSectionsDefaultsAndComments) {
  const std::string text =
      "; products of the test machine\r\n"
      "# another comment\n"
      "\n"
      "[{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}]\r\n"
      "ProductName=Sample Writer\r\n"
      "  Language = 1031  \n"
      "VersionString=16.1.63.10\n"
      "   ; an indented comment\n"
      "CommandLine=PATCH=\"/tmp/MSP2\"\n"
      "\t\n"
      "[{b-lower}]\n"
      "State=1\n"
      "ConfigureResult=3010\n"
      "ProductName=クイルマーク\n"
      "Empty=\n"
      "[{C}]\n"
      "State=-1\n"
      "ProductName=first\n"
      "ProductName=second";  // no line end after the last line
  std::vector<RegisteredProduct> products;
  std::string error;
  ASSERT_TRUE(ParseProductRegistry(text, products, error)) << error;

  ExpectSameProducts(products, {Product(L"{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}", 5, 0,
                                        {{L"ProductName", L"Sample Writer"},
                                         {L"Language", L"1031"},
                                         {L"VersionString", L"16.1.63.10"},
                                         {L"CommandLine", L"PATCH=\"/tmp/MSP2\""}}),
                                Product(L"{b-lower}", 1, 3010,
                                        {{L"ProductName", L"クイルマーク"}, {L"Empty", L""}}),
                                // A repeated key keeps its place and takes the last value.
                                Product(L"{C}", -1, 0, {{L"ProductName", L"second"}})});
  EXPECT_EQ(error, "");
  // Property names are matched exactly.
  ASSERT_NE(products[0].Property(L"Language"), nullptr);
  EXPECT_EQ(*products[0].Property(L"Language"), L"1031");
  EXPECT_EQ(products[0].Property(L"language"), nullptr);
}

TEST(ProductRegistry, EmptyTextHoldsNoProducts) {
  for (const char* text : {"", "\n\n", "; only a comment\n# and another\n"}) {
    std::vector<RegisteredProduct> products = {Product(L"{old}", 5, 0, {})};
    std::string error;
    EXPECT_TRUE(ParseProductRegistry(text, products, error)) << text;
    EXPECT_TRUE(products.empty()) << text;
  }
}

struct MalformedCase {
  const char* text;
  const char* error;
};
void PrintTo(const MalformedCase& c, std::ostream* os) {
  *os << testing::PrintToString(std::string(c.text));
}

class MalformedRegistryTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedRegistryTest, ReportsTheLineAndKeepsTheOutput) {
  const MalformedCase& c = GetParam();
  std::vector<RegisteredProduct> products = {Product(L"{old}", 2, 7, {{L"A", L"b"}})};
  std::string error;
  EXPECT_FALSE(ParseProductRegistry(c.text, products, error));
  EXPECT_EQ(error.substr(0, error.find(':')), c.error) << error;
  ExpectSameProducts(products, {Product(L"{old}", 2, 7, {{L"A", L"b"}})});
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedRegistryTest,
    testing::Values(MalformedCase{"State=5\n", "line 1"},
                    MalformedCase{"; comment\n\nProductName=x\n[{A}]\n", "line 3"},
                    MalformedCase{"[{A}]\nState=5\njust words\n", "line 3"},
                    MalformedCase{"[{A}]\n=value\n", "line 2"},
                    MalformedCase{"[{A}]\n  = value\n", "line 2"},
                    MalformedCase{"[{A}\n", "line 1"}, MalformedCase{"[]\n", "line 1"},
                    MalformedCase{"[{A}]\nState=five\n", "line 2"},
                    MalformedCase{"[{A}]\nState=\n", "line 2"},
                    MalformedCase{"[{A}]\nState=5x\n", "line 2"},
                    MalformedCase{"[{A}]\nState=4294967296\n", "line 2"},
                    MalformedCase{"[{A}]\nConfigureResult=-1\n", "line 2"},
                    MalformedCase{"[{A}]\r\nConfigureResult=0x10\r\n", "line 2"},
                    MalformedCase{"[{A}]\nConfigureBusy=two\n", "line 2"},
                    MalformedCase{"[{A}]\nConfigureBusy=-1\n", "line 2"},
                    // Lines are counted through blank lines and comments.
                    MalformedCase{"[{A}]\n\n; c\n# c\n\nState=5\n[{B}]\nbad\n", "line 8"}),
    testsupport::CaseName());

TEST(ProductRegistry, RoundTrips) {
  const std::vector<RegisteredProduct> products = {
      Product(L"{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}", 5, 0,
              {{L"ProductName", L"Sample Writer"},
               {L"Language", L"1031"},
               {L"VersionString", L"16.1.84.0"},
               {L"CommandLine", L"PATCH=\"/tmp/dir with blanks/MSP2\""}}),
      Product(L"{B}", 1, 1641, {{L"ProductName", L"Rédacteur ; #1 [beta]"}, {L"Empty", L""}}),
      Product(L"{C}", -1, 1603, {}),
      Product(L"{D}", 2, 4294967295u, {{L"ProductName", L"クイルマーク"}})};
  const std::string text = FormatProductRegistry(products);
  std::vector<RegisteredProduct> parsed;
  std::string error;
  ASSERT_TRUE(ParseProductRegistry(text, parsed, error)) << error << "\n" << text;
  ExpectSameProducts(parsed, products);
  EXPECT_EQ(FormatProductRegistry(parsed), text);
}

TEST(ProductRegistry, FormatWritesEveryKey) {
  // Defaults are written out too, so that the file says everything.
  const std::string text =
      FormatProductRegistry({Product(L"{A}", 5, 0, {{L"VersionString", L"16.1.63.10"}})});
  EXPECT_EQ(text, "[{A}]\nState=5\nVersionString=16.1.63.10\nConfigureResult=0\n");
  EXPECT_EQ(FormatProductRegistry({}), "");
}

TEST(ProductRegistry, BusyAnswersLeftAreWrittenAndReadBack) {
  std::vector<RegisteredProduct> products;
  std::string error;
  ASSERT_TRUE(ParseProductRegistry("[{A}]\nConfigureBusy=3\n", products, error)) << error;
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(products[0].configureBusy, 3u);
  EXPECT_EQ(FormatProductRegistry(products),
            "[{A}]\nState=5\nConfigureResult=0\nConfigureBusy=3\n");
  products[0].configureBusy = 0;  // none left: not written
  EXPECT_EQ(FormatProductRegistry(products), "[{A}]\nState=5\nConfigureResult=0\n");
}

TEST(ProductRegistry, SetPropertyReplacesInPlaceOrAppends) {
  RegisteredProduct product = Product(L"{A}", 5, 0, {{L"A", L"1"}, {L"B", L"2"}});
  product.SetProperty(L"A", L"one");
  product.SetProperty(L"C", L"3");
  EXPECT_EQ(product.properties, (std::vector<std::pair<std::wstring, std::wstring>>{
                                    {L"A", L"one"}, {L"B", L"2"}, {L"C", L"3"}}));
}

// The documented example must stay a valid file whose products the carried
// package targets.
TEST(ProductRegistry, ExampleFileParses) {
  testsupport::ResetProcessState();
  const std::string text =
      testsupport::ReadFileBytes(std::string(SPINSTALL_SOURCE_DIR) + "/examples/products.ini");
  ASSERT_FALSE(text.empty());
  std::vector<RegisteredProduct> products;
  std::string error;
  ASSERT_TRUE(ParseProductRegistry(text, products, error)) << error;

  std::wstring targets;
  ASSERT_TRUE(package::ReadTargetList(Widen(SPINSTALL_CARRIED_PACKAGE), targets));
  std::vector<std::wstring> languages;
  for (const auto& product : products) {
    EXPECT_NE(product.code.find(L'{'), std::wstring::npos);
    EXPECT_NE((targets + L";").find(product.code + L";"), std::wstring::npos)
        << Narrow(product.code) << " is not a target of the carried package";
    EXPECT_TRUE(product.state == 1 || product.state == 5) << Narrow(product.code);
    for (const wchar_t* key : {L"ProductName", L"Language", L"VersionString"})
      EXPECT_NE(product.Property(key), nullptr) << Narrow(product.code) << " " << Narrow(key);
    if (const auto* language = product.Property(L"Language")) languages.push_back(*language);
  }
  EXPECT_EQ(languages, (std::vector<std::wstring>{L"1031", L"1036", L"1041"}));
  testsupport::ResetProcessState();
}

}  // namespace
}  // namespace spinstall::installer::host
