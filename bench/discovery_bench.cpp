// Times DiscoverInstalledProducts over a target list of N codes (every other
// one installed) and prints the milliseconds. bench/run takes two sizes and
// prints their ratio: a one-pass walk grows with N, not N squared.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apply/product_discovery.h"
#include "support/fake_service.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  testsupport::FakeService service;
  std::wstring list;
  for (int n = 0; n < count; ++n) {
    wchar_t code[40];
    std::swprintf(code, 40, L"{%08X-0000-0000-0000-000000000000}", n);
    if (n % 2 == 0) service.products[code].info[L"VersionString"] = L"16.1.63.10";
    list += (n ? L";" : L"") + std::wstring(code);
  }
  testsupport::ServiceGuard guard(service);
  spinstall::apply::ProductRecord templateRecord;
  templateRecord.upgradeVersion = L"16.1.84.0";
  templateRecord.candidateVersions = L"16.1.63.10,";

  const auto start = std::chrono::steady_clock::now();
  spinstall::apply::DiscoverInstalledProducts(list, templateRecord);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("%.1f\n", took.count());
  return spinstall::apply::ProductList().size() == static_cast<std::size_t>(count + 1) / 2 ? 0 : 1;
}
