// The host build's stand-ins for the Windows queries behind temporary names.
#include "platform/environment.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/host/utf8.h"
#include "support/case_name.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace spinstall::platform {
namespace {

using host::Widen;

struct TempPathCase {
  const char* tmpdir;  // nullptr: unset
  const wchar_t* expected;
};
void PrintTo(const TempPathCase& c, std::ostream* os) { *os << (c.tmpdir ? c.tmpdir : "(unset)"); }

class QueryTempPathTest : public testing::TestWithParam<TempPathCase> {};

TEST_P(QueryTempPathTest, EndsWithSeparator) {
  testsupport::EnvGuard env;
  if (GetParam().tmpdir)
    env.Set("TMPDIR", GetParam().tmpdir);
  else
    env.Unset("TMPDIR");
  std::wstring dir;
  EXPECT_EQ(QueryTempPath(1024, dir), std::wcslen(GetParam().expected));
  EXPECT_EQ(dir, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Host, QueryTempPathTest,
                         testing::Values(TempPathCase{nullptr, L"/tmp/"},
                                         TempPathCase{"", L"/tmp/"},
                                         TempPathCase{"/var/x", L"/var/x/"},
                                         TempPathCase{"/var/x/", L"/var/x/"},
                                         TempPathCase{"rel", L"rel/"}),
                         testsupport::CaseName());

TEST(QueryTempPath, BufferMustHoldTheTerminator) {
  testsupport::EnvGuard env;
  env.Set("TMPDIR", "/abc");  // "/abc/": 5 characters
  std::wstring dir = L"unchanged";
  EXPECT_EQ(QueryTempPath(5, dir), 6u);
  EXPECT_EQ(dir, L"unchanged");
  EXPECT_EQ(QueryTempPath(6, dir), 5u);
  EXPECT_EQ(dir, L"/abc/");
}

TEST(GetEnvironmentValue, NameMatchesWholeIgnoringCase) {
  testsupport::EnvGuard env;
  env.Unset("TMP");
  env.Set("sPiN_vAr", "a=b");
  env.Set("SPIN_VARX", "other");
  std::wstring value;
  EXPECT_TRUE(GetEnvironmentValue(L"SPIN_VAR", value));
  EXPECT_EQ(value, L"a=b");
  EXPECT_TRUE(GetEnvironmentValue(L"spin_varx", value));
  EXPECT_EQ(value, L"other");
  EXPECT_FALSE(GetEnvironmentValue(L"SPIN_VA", value));
  EXPECT_FALSE(GetEnvironmentValue(L"TMP", value));

  env.Set("SPIN_EMPTY", "");
  value = L"x";
  EXPECT_TRUE(GetEnvironmentValue(L"spin_empty", value));
  EXPECT_EQ(value, L"");
}

TEST(QueryPath, LinksCountWhateverTheyPointTo) {
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir / "file", "x");
  std::filesystem::create_directory(dir / "dir");
  std::filesystem::create_symlink(dir / "absent", dir / "dangling");
  for (const char* name : {"file", "dir", "dangling"})
    EXPECT_EQ(QueryPath(Widen(dir / name)), PathState::Exists) << name;
  for (const char* name : {"absent", "file/below", "absent/below"})
    EXPECT_EQ(QueryPath(Widen(dir / name)), PathState::Missing) << name;
}

}  // namespace
}  // namespace spinstall::platform
