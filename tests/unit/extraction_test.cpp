// Extraction of the carried package: the file written, the caller's path after
// every failure, and never an incomplete package that looks extracted.
#include "package/extraction.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/error_codes.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/child_run.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/process_state.h"
#include "support/temp_dir.h"

namespace {

using spinstall::package::ExtractPackage;
using spinstall::platform::host::Narrow;
using spinstall::platform::host::Widen;
using testsupport::CarriedPackageBytes;
using testsupport::PathExists;
using testsupport::ReadFileBytes;

class ExtractionTest : public testsupport::FreshProcessTest {};

TEST_F(ExtractionTest, EmptyPathWritesTheNextTemporaryFile) {
  std::wstring path;
  ASSERT_TRUE(ExtractPackage(path));
  EXPECT_EQ(Narrow(path), TempDirectory() + "/MSP2");
  EXPECT_EQ(ReadFileBytes(Narrow(path)), CarriedPackageBytes());
  // Created owner-only: other users of the temporary directory cannot read
  // or change what the installer will read.
  struct stat st;
  ASSERT_EQ(::stat(Narrow(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  path.clear();
  ASSERT_TRUE(ExtractPackage(path));
  EXPECT_EQ(Narrow(path), TempDirectory() + "/MSP3");
}

TEST_F(ExtractionTest, ExistingFileIsOverwrittenToThePackagesLength) {
  const std::string target = scratch_ / "out.msp";
  testsupport::WriteFileBytes(target, std::string(100000, 'x'));
  std::wstring path = Widen(target);
  ASSERT_TRUE(ExtractPackage(path));
  EXPECT_EQ(path, Widen(target));
  EXPECT_EQ(ReadFileBytes(target), CarriedPackageBytes());
}

TEST_F(ExtractionTest, RelativePathIsKeptAsGiven) {
  testsupport::CurrentDirectory here(scratch_.path());
  std::wstring path = L"pkg.msp";
  ASSERT_TRUE(ExtractPackage(path));
  EXPECT_EQ(path, L"pkg.msp");
  EXPECT_EQ(ReadFileBytes(scratch_ / "pkg.msp"), CarriedPackageBytes());
}

TEST_F(ExtractionTest, PlantedFileOrLinkAtTheGeneratedNameIsNeverWrittenThrough) {
  // Planted before the run: the name search passes over them.
  const std::string victim = scratch_ / "victim";
  testsupport::WriteFileBytes(victim, "precious");
  std::filesystem::create_symlink(victim, TempDirectory() + "/MSP2");
  testsupport::WriteFileBytes(TempDirectory() + "/MSP3", "planted");
  std::wstring path;
  ASSERT_TRUE(ExtractPackage(path));
  EXPECT_EQ(Narrow(path), TempDirectory() + "/MSP4");
  EXPECT_EQ(ReadFileBytes(victim), "precious");
  EXPECT_EQ(ReadFileBytes(TempDirectory() + "/MSP3"), "planted");
}

TEST_F(ExtractionTest, ExclusiveCreateNeverFollowsOrReplacesWhatIsThere) {
  // What stops a link planted between the name search and the create.
  const std::string victim = scratch_ / "victim";
  testsupport::WriteFileBytes(victim, "precious");
  const std::string link = TempDirectory() + "/MSP9";
  std::filesystem::create_symlink(victim, link);
  const std::string dangling = TempDirectory() + "/MSP10";
  std::filesystem::create_symlink(scratch_ / "nowhere", dangling);
  for (const std::string& name : {link, dangling, victim}) {
    spinstall::platform::OutputFile file;
    EXPECT_FALSE(file.Open(Widen(name), spinstall::platform::OutputFile::Mode::CreateNew)) << name;
    EXPECT_EQ(spinstall::platform::LastError(), spinstall::platform::kErrorFileExists) << name;
  }
  EXPECT_EQ(ReadFileBytes(victim), "precious");
  EXPECT_FALSE(PathExists(scratch_ / "nowhere"));
}

TEST_F(ExtractionTest, TemporaryDirectoryQueryThatDoesNotFit) {
  // A temporary directory of more than 1024 characters fails the query.
  env_.Set("TMPDIR", "/" + std::string(1100, 'd'));
  std::wstring path;
  EXPECT_FALSE(ExtractPackage(path));
  EXPECT_TRUE(path.empty());
}

TEST_F(ExtractionTest, NoTemporaryNameForATooLongDirectory) {
  std::string deep = TempDirectory();
  while (deep.size() <= 250) deep += "/" + std::string(60, 'd');
  std::filesystem::create_directories(deep);
  env_.Set("TMPDIR", deep);
  std::wstring path;
  EXPECT_FALSE(ExtractPackage(path));
  EXPECT_TRUE(path.empty());
}

TEST_F(ExtractionTest, MissingOrEmptyResourceKeepsTheGeneratedNameButWritesNothing) {
  static const unsigned char byte = 0;
  static const spinstall::platform::host::EmbeddedResource withoutPackage[] = {
      {L"TXT", L"#206", &byte, &byte + 1}};
  static const spinstall::platform::host::EmbeddedResource emptyPackage[] = {
      {L"MSP", L"IDR_MSP", &byte, &byte}};
  for (const auto& table : {std::span(withoutPackage), std::span(emptyPackage)}) {
    spinstall::platform::host::OverrideResources(table);
    std::wstring path;
    EXPECT_FALSE(ExtractPackage(path));
    EXPECT_FALSE(path.empty());
    EXPECT_FALSE(PathExists(Narrow(path)));
  }
  EXPECT_TRUE(TempDirectoryEntries().empty());
}

TEST_F(ExtractionTest, PathThatCannotBeOpened) {
  const std::string folder = scratch_ / "folder";
  std::filesystem::create_directory(folder);
  for (const std::string& target : {folder, scratch_ / "missing/out.msp"}) {
    std::wstring path = Widen(target);
    EXPECT_FALSE(ExtractPackage(path)) << target;
    EXPECT_EQ(path, Widen(target));
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(PathExists(scratch_ / "missing"));
}

TEST_F(ExtractionTest, DiskFullLeavesNoIncompleteFile) {
  const std::string target = scratch_ / "out.msp";
  std::wstring given = Widen(target);
  std::wstring generated;
  {
    testsupport::FileSizeLimit limit(1000);  // less than the package
    EXPECT_FALSE(ExtractPackage(given));
    EXPECT_EQ(spinstall::platform::LastError(), spinstall::platform::kErrorDiskFull);
    EXPECT_FALSE(ExtractPackage(generated));
  }
  EXPECT_FALSE(PathExists(target));
  EXPECT_EQ(Narrow(generated), TempDirectory() + "/MSP2");
  EXPECT_TRUE(TempDirectoryEntries().empty());
}

TEST_F(ExtractionTest, DeviceThatFailsEveryWriteIsNeverRemoved) {
  std::wstring path = L"/dev/full";
  EXPECT_FALSE(ExtractPackage(path));
  struct stat st;
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Nobody's setuid file in root's folder. As nobody, who may write the file
// but make no file beside it, /e fails as the folder does, even on a full
// disk, and the file keeps every byte. As root, the new file is nobody's,
// with the permission bits but never setuid or setgid.
TEST_F(ExtractionTest, AnotherUsersFileIsReplacedWholeOrNotAtAll) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  const std::string target = scratch_ / "out.msp";
  testsupport::WriteFileBytes(target, "old");
  ASSERT_EQ(::chmod(scratch_.path().c_str(), 0755) | ::chmod(target.c_str(), 06775) |
                ::chown(target.c_str(), testsupport::kNobody, testsupport::kNobody),
            0);
  std::wstring path = Widen(target);
  const auto asNobody = [&] {
    testsupport::FileSizeLimit limit(1000);  // less than the package
    return ::access(target.c_str(), W_OK) == 0 && !ExtractPackage(path)
               ? static_cast<int>(spinstall::platform::LastError())
               : 1;
  };
  EXPECT_EQ(testsupport::RunInChild(asNobody, true), 5);
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(testsupport::DirectoryEntries(scratch_.path()), std::vector<std::string>{"out.msp"});

  ASSERT_TRUE(ExtractPackage(path));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(std::vector<unsigned>({st.st_uid, st.st_gid, st.st_mode & 07777u}),
            std::vector<unsigned>({testsupport::kNobody, testsupport::kNobody, 0775u}));
  EXPECT_EQ(ReadFileBytes(target), CarriedPackageBytes());
}

TEST_F(ExtractionTest, FailedWriteThroughALinkRemovesNeitherLinkNorTarget) {
  const std::string target = scratch_ / "real.msp";
  const std::string link = scratch_ / "link.msp";
  testsupport::WriteFileBytes(target, "old");
  std::filesystem::create_symlink(target, link);
  std::wstring path = Widen(link);
  {
    testsupport::FileSizeLimit limit(1000);
    EXPECT_FALSE(ExtractPackage(path));
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(PathExists(target));
}

TEST_F(ExtractionTest, HeldPackageIsTheCarriedOne) {
  std::wstring path;
  spinstall::platform::HeldFile held;
  ASSERT_TRUE(spinstall::package::ExtractAndHoldPackage(path, held));
  EXPECT_TRUE(held.HasContents(reinterpret_cast<const unsigned char*>(CarriedPackageBytes().data()),
                               CarriedPackageBytes().size()));
  EXPECT_FALSE(held.HasContents(reinterpret_cast<const unsigned char*>("x"), 1));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// The address space this process uses now, in bytes.
rlim_t AddressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  rlim_t pages = 0;
  statm >> pages;
  return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// A package of some MB, extracted under an address-space limit that leaves
// room for half of it: a copy of the whole package in memory would fail, the
// bounded pieces do not.
TEST_F(ExtractionTest, LargePackageIsWrittenInBoundedMemory) {
  if (kAddressSanitizer) GTEST_SKIP() << "the sanitizer's shadow memory defeats the limit";
  constexpr std::size_t kSize = 12u << 20;
  const std::string source = scratch_ / "large.msp";
  {
    std::string bytes(kSize, '\0');
    std::mt19937 random(7);
    for (char& byte : bytes) byte = static_cast<char>(random());
    testsupport::WriteFileBytes(source, bytes);
  }
  const int fd = ::open(source.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  void* mapped = ::mmap(nullptr, kSize, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  ASSERT_NE(mapped, MAP_FAILED);
  const auto* begin = static_cast<const unsigned char*>(mapped);
  const spinstall::platform::host::EmbeddedResource large[] = {
      {L"MSP", L"IDR_MSP", begin, begin + kSize}};
  spinstall::platform::host::OverrideResources(large);

  const std::string target = scratch_ / "out.msp";
  const int status = testsupport::RunInChild([&] {
    const rlim_t limit = AddressSpaceInUse() + kSize / 2;
    const rlimit low{limit, limit};
    if (::setrlimit(RLIMIT_AS, &low) != 0 || std::malloc(kSize) != nullptr) return 2;
    std::wstring path = Widen(target);
    return ExtractPackage(path) ? 0 : 1;
  });
  ::munmap(mapped, kSize);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(ReadFileBytes(target) == ReadFileBytes(source));
}

}  // namespace
