#include "package/extraction.h"

#include "package/temporary_name.h"
#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/resources.h"

namespace spinstall::package {
namespace {

using platform::OutputFile;

constexpr std::uint32_t kTempPathChars = 1024;
// Bounds the retries when generated names keep turning out to be taken between
// the name check and the exclusive create.
constexpr int kMaxCreateRaces = 32767;

bool MakeName(std::wstring& path) {
  std::wstring directory;
  const auto length = platform::QueryTempPath(kTempPathChars, directory);
  if (length == 0 || length > kTempPathChars) {
    // A failed query sets its own error; a directory that does not fit has none.
    if (length != 0) platform::SetLastError(platform::kErrorFilenameTooLong);
    return false;
  }
  auto name = MakeTemporaryName(directory, L"MSP");
  if (!name) return false;
  path = *name;
  return true;
}

bool FindPackage(platform::ResourceBytes& package) {
  return platform::FindResourceBytes(L"MSP", L"IDR_MSP", package) ==
         platform::ResourceLookup::Found;
}

// Writes the package into the open `file` and closes it; a failed write or
// close leaves no incomplete file that this object created.
bool WriteOut(OutputFile& file, const platform::ResourceBytes& package, OutputFile::Sync sync) {
  if (file.Write(package.data, package.size) && file.Close(sync)) return true;
  file.Discard();
  return false;
}

// A new name for a generated file: anything that appeared there meanwhile is
// skipped, never written through.
bool CreateGenerated(std::wstring& path, OutputFile& file) {
  for (int race = 0; race < kMaxCreateRaces; ++race) {
    if (file.Open(path, OutputFile::Mode::CreateNew)) return true;
    if (platform::LastError() != platform::kErrorFileExists || !MakeName(path)) return false;
  }
  return false;
}

// An administrator's file: it holds either the whole package or what it held
// before. Only a device or pipe, which no file can replace, is written
// directly.
bool Replace(const std::wstring& path, const platform::ResourceBytes& package) {
  const platform::OutputTarget target = platform::ResolveOutputTarget(path);
  switch (target.kind) {
    case platform::OutputTarget::Kind::Replace:
      return platform::ReplaceWhole(target.path, package.data, package.size);
    case platform::OutputTarget::Kind::Direct: {
      // No disk to bring the bytes to: a flush would only fail.
      OutputFile file;
      return file.Open(target.path, OutputFile::Mode::CreateOrTruncate) &&
             WriteOut(file, package, OutputFile::Sync::None);
    }
    case platform::OutputTarget::Kind::Refused:
      break;
  }
  return false;
}

bool Extract(std::wstring& path, OutputFile::Sync sync) {
  const bool generated = path.empty();
  if (generated && !MakeName(path)) return false;

  platform::ResourceBytes package;
  if (!FindPackage(package)) return false;
  if (!generated) return Replace(path, package);

  OutputFile file;
  return CreateGenerated(path, file) && WriteOut(file, package, sync);
}

}  // namespace

bool ExtractPackage(std::wstring& path) { return Extract(path, OutputFile::Sync::ToDisk); }

bool ExtractAndHoldPackage(std::wstring& path, platform::HeldFile& held) {
  platform::ResourceBytes package;
  // Nobody needs the install's own package after a crash: it is not synced.
  // Between the write and the hold someone may have changed the file: what is
  // held must be exactly the carried package.
  if (!Extract(path, OutputFile::Sync::None) || !FindPackage(package) || !held.Open(path))
    return false;
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
