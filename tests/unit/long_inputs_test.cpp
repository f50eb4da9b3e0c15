// Inputs far beyond the usual sizes: a product name of 10,000 characters, a
// version rule of 100,000 characters, a target list of 10,000 codes. Nothing
// overflows (the asan preset runs these too) and the results are as for
// short inputs.
#include <gtest/gtest.h>

#include "admin/package_info.h"
#include "apply/product_discovery.h"
#include "installer/installer_service.h"
#include "messages/result_messages.h"
#include "package/summary_reader.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/fake_service.h"
#include "support/fresh_process.h"

namespace {

using testsupport::FakeService;
using testsupport::ServiceGuard;

class LongInputsTest : public testsupport::FreshProcessTest {};

std::wstring Code(int n) {
  wchar_t code[39];
  std::swprintf(code, 39, L"{%08X-0000-0000-0000-000000000000}", n);
  return code;
}

TEST_F(LongInputsTest, ProductNameOfTenThousandCharactersIsCutAtTheBuffer) {
  spinstall::messages::CurrentProductName() = std::wstring(10000, L'n');
  testsupport::BoxCapture capture;
  spinstall::messages::ShowResultMessage(spinstall::messages::kMsgSuccess);
  const auto boxes = capture.Stop();
  ASSERT_EQ(boxes.size(), 1u);
  // The English template has 68 characters; the buffer holds 511 more.
  EXPECT_EQ(boxes[0].text.size(), 68u + 511u);
  EXPECT_EQ(boxes[0].text.rfind("The service pack was successfully installed and nnn", 0), 0u);
}

TEST_F(LongInputsTest, VersionRuleOfAHundredThousandCharactersArrivesWhole) {
  FakeService service;
  std::wstring candidates;
  while (candidates.size() < 100000) candidates += L"16.1.63.10,";
  service.properties[spinstall::summary_information::kKeywordsProperty] =
      L"16.1.84.0;" + candidates;
  ServiceGuard guard(service);
  std::wstring upgrade, read;
  ASSERT_TRUE(spinstall::package::ReadVersionRule(L"p.msp", upgrade, read));
  EXPECT_EQ(upgrade, L"16.1.84.0");
  EXPECT_EQ(read, candidates);
  EXPECT_EQ(service.propertyCalls, 2);
  EXPECT_EQ(service.OpenHandles(), 0);
}

TEST_F(LongInputsTest, TargetListOfTenThousandCodes) {
  FakeService service;
  std::wstring list;
  for (int n = 0; n < 10000; ++n) {
    if (n) list += L';';
    list += Code(n);
    if (n % 2 == 0) service.products[Code(n)].info[L"VersionString"] = L"16.1.63.10";
  }
  service.properties[spinstall::summary_information::kTemplateProperty] = list;
  ServiceGuard guard(service);

  std::wstring read;
  ASSERT_TRUE(spinstall::package::ReadTargetList(L"p.msp", read));
  EXPECT_EQ(read, list);
  spinstall::apply::ProductRecord templateRecord;
  spinstall::apply::DiscoverInstalledProducts(read, templateRecord);
  const auto& products = spinstall::apply::ProductList();
  ASSERT_EQ(products.size(), 5000u);
  EXPECT_EQ(products.front()->productCode, Code(0));
  EXPECT_EQ(products.back()->productCode, Code(9998));
  EXPECT_EQ(service.stateQueries.size(), 10000u);

  const std::wstring lines = spinstall::admin::TargetListLines(read);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L'\n'), 9999);
  EXPECT_EQ(lines.find(L';'), std::wstring::npos);
}

}  // namespace
