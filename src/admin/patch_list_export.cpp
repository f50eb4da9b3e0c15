#include "admin/patch_list_export.h"

#include <string>

#include "log/run_log.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "package/summary_reader.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/resources.h"

namespace spinstall::admin {
namespace {

constexpr unsigned kFirstDescriptor = 206;
constexpr char kSeparator[] = "*****\r\n";
constexpr char kLineEnd[] = "\r\n";

std::wstring DeriveListPath() {
  std::wstring packagePath;
  std::wstring targets;
  if (!package::ExtractPackage(packagePath) || !package::ReadTargetList(packagePath, targets))
    return L"patchlist.txt";
  return DefaultListName(targets);
}

// Appends one whole block in one write, or nothing: a failed write cuts the
// file back to where the block began, keeping the write's error as the
// last-error value. A list whose last line lacks its end gets one first, so
// that the separator stands on a line of its own.
bool AppendBlock(platform::ListFile& file, const platform::ResourceBytes& descriptor) {
  const std::int64_t blockStart = file.Size();
  if (blockStart < 0) return false;
  std::string block = file.EndsLine() ? "" : kLineEnd;
  block += kSeparator;
  block.append(reinterpret_cast<const char*>(descriptor.data), descriptor.size);
  block += kLineEnd;
  if (file.Append(block.data(), block.size())) return true;
  const std::uint32_t error = platform::LastError();
  file.Truncate(blockStart);
  platform::SetLastError(error);
  return false;
}

void LogExport(const std::wstring& listPath, unsigned blocks, std::uint32_t result) {
  log::Line(L"patch list " + listPath + L": " + std::to_wstring(blocks) +
            L" blocks appended, result " + log::ResultText(result));
}

}  // namespace

std::wstring DefaultListName(const std::wstring& targetList) {
  std::wstring text = targetList;
  if (const auto colon = text.find(L':'); colon != std::wstring::npos) text.erase(0, colon + 1);
  if (const auto dash = text.find(L'-'); dash != std::wstring::npos) text.erase(0, dash + 1);
  return L"patchlist" + text.substr(0, 4) + L".txt";
}

bool ExportPatchList(std::wstring& listPath) {
  if (listPath.empty()) listPath = DeriveListPath();

  platform::ListFile file;
  if (!file.Open(listPath)) {
    LogExport(listPath, 0, platform::LastError());
    messages::ShowResultMessage(messages::kMsgNoPatchList);
    return false;
  }
  unsigned k = 0;
  std::uint32_t result = 0;
  for (;; ++k) {
    const std::wstring name = L"#" + std::to_wstring(kFirstDescriptor + k);
    platform::ResourceBytes descriptor;
    const auto lookup = platform::FindResourceBytes(L"TXT", name, descriptor);
    if (lookup == platform::ResourceLookup::NotFound) {
      if (k == 0) {
        result = platform::kErrorResourceNameNotFound;
        platform::SetLastError(result);
        messages::ShowResultMessage(messages::kMsgNoPatchList);
      }
      break;
    }
    if (lookup == platform::ResourceLookup::Unloadable || !AppendBlock(file, descriptor)) {
      result = platform::LastError();
      messages::ShowResultMessage(messages::kMsgFailure);
      break;
    }
  }
  file.Close();
  LogExport(listPath, k, result);
  return true;
}

}  // namespace spinstall::admin
