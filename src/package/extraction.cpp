#include "package/extraction.h"

#include "package/temporary_name.h"
#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/resources.h"

namespace spinstall::package {
namespace {

constexpr std::uint32_t kTempPathChars = 1024;
// Bounds the retries when generated names keep turning out to be taken between
// the name check and the exclusive create.
constexpr int kMaxCreateRaces = 32767;

bool MakeName(std::wstring& path) {
  std::wstring directory;
  const auto length = platform::QueryTempPath(kTempPathChars, directory);
  if (length == 0 || length > kTempPathChars) return false;
  auto name = MakeTemporaryName(directory, L"MSP");
  if (!name) return false;
  path = *name;
  return true;
}

// Opens the target: a name we generated is created exclusively (anything that
// appeared there meanwhile is skipped, never written through); a name the
// caller gave is created or truncated.
bool OpenTarget(std::wstring& path, bool generated, platform::OutputFile& file) {
  if (!generated) return file.Open(path, platform::OutputFile::Mode::CreateOrTruncate);
  for (int race = 0; race < kMaxCreateRaces; ++race) {
    if (file.Open(path, platform::OutputFile::Mode::CreateNew)) return true;
    if (platform::LastError() != platform::kErrorFileExists || !MakeName(path)) return false;
  }
  return false;
}

bool FindPackage(platform::ResourceBytes& package) {
  return platform::FindResourceBytes(L"MSP", L"IDR_MSP", package) ==
         platform::ResourceLookup::Found;
}

}  // namespace

bool ExtractPackage(std::wstring& path) {
  const bool generated = path.empty();
  if (generated && !MakeName(path)) return false;

  platform::ResourceBytes package;
  if (!FindPackage(package)) return false;

  platform::OutputFile file;
  if (!OpenTarget(path, generated, file)) return false;
  // A failed write or close leaves no incomplete package that looks extracted.
  if (!file.Write(package.data, package.size) || !file.Close()) {
    file.Discard();
    return false;
  }
  return true;
}

bool ExtractAndHoldPackage(std::wstring& path, platform::HeldFile& held) {
  platform::ResourceBytes package;
  // Between the write and the hold, someone may have changed the file: what is
  // held must be exactly the carried package.
  if (!ExtractPackage(path) || !FindPackage(package) || !held.Open(path)) return false;
  if (held.HasContents(package.data, package.size)) return true;
  held.Close();
  platform::SetLastError(platform::kErrorInstallPackageInvalid);
  return false;
}

std::size_t CarriedPackageSize() {
  platform::ResourceBytes package;
  return FindPackage(package) ? package.size : 0;
}

}  // namespace spinstall::package
