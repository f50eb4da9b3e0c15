#include "apply/product_discovery.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "installer/installer_service.h"
#include "platform/host/utf8.h"
#include "support/case_name.h"
#include "support/fake_service.h"
#include "support/process_state.h"

namespace spinstall::apply {
namespace {

using platform::host::Narrow;
using testsupport::FakeService;

// The fake with one log of the product queries in the order they came, and
// the buffer size each information query was given. A failing information
// query may leave text in the buffer, as nothing promises it stays untouched.
class OrderedService : public FakeService {
 public:
  std::vector<std::wstring> calls;
  std::wstring leftOnFailure;

  std::int32_t QueryProductState(const std::wstring& productCode) override {
    calls.push_back(L"state " + productCode);
    return FakeService::QueryProductState(productCode);
  }
  std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                               wchar_t* buffer, std::uint32_t& count) override {
    calls.push_back(L"info " + productCode + L" " + property + L" " + std::to_wstring(count));
    const std::uint32_t capacity = count;
    const auto result = FakeService::GetProductInfo(productCode, property, buffer, count);
    if (result != 0 && !leftOnFailure.empty()) {
      buffer[leftOnFailure.copy(buffer, capacity - 1)] = L'\0';
    }
    return result;
  }
};

FakeService::Product Installed(std::int32_t state, const std::wstring& version,
                               const std::wstring& name, const std::wstring& language) {
  FakeService::Product product;
  product.state = state;
  product.info = {{L"VersionString", version}, {L"ProductName", name}, {L"Language", language}};
  return product;
}

class DiscoveryTest : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessState();
    installer::SetActiveService(&fake_);  // undone by the reset after the test
    template_.upgradeVersion = L"16.1.84.0";
    template_.candidateVersions = L"16.1.63.10,";
  }
  void TearDown() override { testsupport::ResetProcessState(); }

  std::vector<std::wstring> ListedCodes() const {
    std::vector<std::wstring> codes;
    for (const auto& record : ProductList()) codes.push_back(record->productCode);
    return codes;
  }

  OrderedService fake_;
  ProductRecord template_;
};

TEST_F(DiscoveryTest, ListsOnlyTheInstalledProduct) {
  fake_.products[L"{B}"] = Installed(5, L"16.1.63.10", L"Sample Writer", L"1031");
  DiscoverInstalledProducts(L"{A};{B};{C}", template_);

  ASSERT_EQ(ProductList().size(), 1u);
  const ProductRecord& b = *ProductList().front();
  EXPECT_EQ(b.productCode, L"{B}");
  EXPECT_EQ(b.upgradeVersion, L"16.1.84.0");
  EXPECT_EQ(b.productName, L"Sample Writer");
  EXPECT_EQ(b.language, L"1031");
  EXPECT_EQ(b.commandLine, L"");
  EXPECT_EQ(b.candidateVersions, L"16.1.63.10,");
  EXPECT_EQ(b.installedVersion, L"16.1.63.10");
  EXPECT_EQ(fake_.stateQueries, (std::vector<std::wstring>{L"{A}", L"{B}", L"{C}"}));
  // Absent products are not asked for their properties.
  for (const auto& [code, property] : fake_.infoQueries) EXPECT_EQ(code, L"{B}");
}

TEST_F(DiscoveryTest, QueriesEachProductInOrder) {
  fake_.products[L"{A}"] = Installed(5, L"16.1.63.10", L"Writer", L"1031");
  fake_.products[L"{B}"] = Installed(1, L"16.1.50.0", L"Rédacteur", L"1036");
  DiscoverInstalledProducts(L"{A};{X};{B}", template_);

  const std::vector<std::wstring> expected = {
      L"state {A}",
      L"info {A} VersionString 1024",
      L"info {A} ProductName 1024",
      L"info {A} Language 1024",
      L"state {X}",
      L"state {B}",
      L"info {B} VersionString 1024",
      L"info {B} ProductName 1024",
      L"info {B} Language 1024",
  };
  EXPECT_EQ(fake_.calls, expected);
  ASSERT_EQ(ListedCodes(), (std::vector<std::wstring>{L"{A}", L"{B}"}));
  // Every record carries the template's version rule and its own product data.
  const ProductRecord& b = *ProductList()[1];
  EXPECT_EQ(b.upgradeVersion, L"16.1.84.0");
  EXPECT_EQ(b.candidateVersions, L"16.1.63.10,");
  EXPECT_EQ(b.productName, L"Rédacteur");
  EXPECT_EQ(b.language, L"1036");
  EXPECT_EQ(b.installedVersion, L"16.1.50.0");
}

struct WalkCase {
  const wchar_t* targets;
  std::vector<std::wstring> examined;  // state queries, in order
};
void PrintTo(const WalkCase& c, std::ostream* os) {
  *os << testing::PrintToString(Narrow(c.targets));
}

class DiscoveryWalkTest : public DiscoveryTest, public testing::WithParamInterface<WalkCase> {};

// Every code that could turn up is installed, so what is listed is exactly
// what was examined.
TEST_P(DiscoveryWalkTest, ExaminesCodesUpToAnEmptyElement) {
  const WalkCase& c = GetParam();
  for (const wchar_t* code : {L"{A}", L"{B}", L"{C}", L"{b-lower}", L" {A} ", L"{A}\t"})
    fake_.products[code] = Installed(5, L"1.0.0.0", L"name", L"1033");
  DiscoverInstalledProducts(c.targets, template_);
  EXPECT_EQ(fake_.stateQueries, c.examined) << Narrow(c.targets);
  EXPECT_EQ(ListedCodes(), c.examined) << Narrow(c.targets);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DiscoveryWalkTest,
    testing::Values(WalkCase{L"{A}", {L"{A}"}}, WalkCase{L"{A};{B};{C}", {L"{A}", L"{B}", L"{C}"}},
                    // Nothing before the first ';': nothing is examined.
                    WalkCase{L"", {}}, WalkCase{L";", {}}, WalkCase{L";{A};{B}", {}},
                    // Two separators in a row end the walk there.
                    WalkCase{L"{A};;{B}", {L"{A}"}}, WalkCase{L"{A};{B};;;{C}", {L"{A}", L"{B}"}},
                    // A trailing ';' is tolerated.
                    WalkCase{L"{A};{B};", {L"{A}", L"{B}"}},
                    // Codes go to the service exactly as they stand.
                    WalkCase{L"{b-lower}; {A} ;{A}\t", {L"{b-lower}", L" {A} ", L"{A}\t"}}),
    testsupport::CaseName());

struct StateCase {
  std::int32_t state;
  bool installed;
};
void PrintTo(const StateCase& c, std::ostream* os) { *os << "state " << c.state; }

class ProductStateTest : public DiscoveryTest, public testing::WithParamInterface<StateCase> {};

TEST_P(ProductStateTest, OnlyAdvertisedAndInstalledCount) {
  const StateCase& c = GetParam();
  fake_.products[L"{A}"] = Installed(c.state, L"16.1.63.10", L"Writer", L"1031");
  EXPECT_EQ(IsProductInstalled(L"{A}"), c.installed);
  DiscoverInstalledProducts(L"{A}", template_);
  EXPECT_EQ(ProductList().size(), c.installed ? 1u : 0u);
  EXPECT_EQ(fake_.infoQueries.empty(), !c.installed);
}

INSTANTIATE_TEST_SUITE_P(States, ProductStateTest,
                         testing::Values(StateCase{5, true}, StateCase{1, true},
                                         StateCase{-1, false}, StateCase{-2, false},
                                         StateCase{0, false}, StateCase{2, false},
                                         StateCase{3, false}, StateCase{4, false},
                                         StateCase{6, false}),
                         testsupport::CaseName());

TEST_F(DiscoveryTest, FailedInformationQueryGivesAnEmptyField) {
  // {A} has a name only; {B} a language only, asked after {A}'s name has
  // been through the reused buffer.
  fake_.leftOnFailure = L"left over";
  fake_.products[L"{A}"].info = {{L"ProductName", L"Writer"}};
  fake_.products[L"{B}"].info = {{L"Language", L"1041"}};
  DiscoverInstalledProducts(L"{A};{B}", template_);

  ASSERT_EQ(ProductList().size(), 2u);
  const ProductRecord& a = *ProductList()[0];
  EXPECT_EQ(a.productName, L"Writer");
  EXPECT_EQ(a.language, L"");
  EXPECT_EQ(a.installedVersion, L"");
  const ProductRecord& b = *ProductList()[1];
  EXPECT_EQ(b.productName, L"");
  EXPECT_EQ(b.language, L"1041");
  EXPECT_EQ(b.installedVersion, L"");
}

// The information buffer holds 1024 characters with the terminator: a value
// of 1023 arrives whole; the service answers 234 to a longer one, and the
// field stays empty rather than holding a cut value.
TEST_F(DiscoveryTest, InformationValueUpTo1023Characters) {
  const std::pair<const wchar_t*, std::wstring ProductRecord::*> fields[] = {
      {L"VersionString", &ProductRecord::installedVersion},
      {L"ProductName", &ProductRecord::productName},
      {L"Language", &ProductRecord::language}};
  for (const auto& [property, field] : fields) {
    for (std::size_t length : {1023u, 1024u, 1500u}) {
      ClearProductList();
      std::wstring value;
      for (std::size_t i = 0; value.size() < length; ++i) value += std::to_wstring(i % 10);
      fake_.products[L"{A}"] = Installed(5, L"v", L"n", L"l");
      fake_.products[L"{A}"].info[property] = value;
      DiscoverInstalledProducts(L"{A}", template_);

      ASSERT_EQ(ProductList().size(), 1u);
      EXPECT_EQ(ProductList().front().get()->*field, length < 1024 ? value : L"")
          << Narrow(property) << " " << length;
    }
  }
}

TEST_F(DiscoveryTest, ReadersAskTheActiveService) {
  fake_.products[L"{A}"] = Installed(1, L"16.1.63.10", L"Writer", L"1031");
  EXPECT_EQ(ReadInstalledVersion(L"{A}"), L"16.1.63.10");
  std::wstring name = L"old", language = L"old";
  ReadNameAndLanguage(L"{A}", name, language);
  EXPECT_EQ(name, L"Writer");
  EXPECT_EQ(language, L"1031");
  EXPECT_EQ(ReadInstalledVersion(L"{Z}"), L"");
  EXPECT_FALSE(IsProductInstalled(L"{Z}"));
}

}  // namespace
}  // namespace spinstall::apply
