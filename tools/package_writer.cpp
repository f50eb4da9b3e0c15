#include "package_writer.h"

#include "compound_file.h"
#include "summary_stream.h"

namespace msptool {
namespace {

// {000C1086-0000-0000-C000-000000000046}: the root storage of a patch.
constexpr unsigned char kPatchClassId[16] = {0x86, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// 2026-01-01 00:00 UTC: fixed, so that every build writes the same bytes.
constexpr std::int64_t kFixedFileTime = 134116992000000000LL;
constexpr std::int64_t kCodePage = 1252;

// A string pool that holds no strings: the code page, then no entries.
std::string EmptyStringPool() { return std::string("\xE4\x04\x00\x00", 4); }

}  // namespace

bool WritePatchPackage(const PatchSummary& summary, const std::string& path, std::string& error) {
  using T = SummaryProperty::Type;
  std::vector<SummaryProperty> props = {
      {1, T::I2, kCodePage, {}},
      {2, T::Text, 0, summary.title},
      {3, T::Text, 0, summary.subject},
      {4, T::Text, 0, summary.author},
      {5, T::Text, 0, summary.keywords},
      {6, T::Text, 0, summary.comments},
      {7, T::Text, 0, summary.targets},
      {9, T::Text, 0, summary.patchCode},
      {12, T::FileTime, kFixedFileTime, {}},
      {13, T::FileTime, kFixedFileTime, {}},
      {15, T::I4, 1, {}},
      {18, T::Text, 0, "msp_tool"},
  };
  if (!summary.transforms.empty()) props.push_back({8, T::Text, 0, summary.transforms});

  CompoundFile file;
  if (!file.Create(path, kPatchClassId, error)) return false;
  const bool ok =
      CompoundFile::AddStream(file.Root(), "\x05SummaryInformation", BuildSummaryStream(props)) &&
      CompoundFile::AddStream(file.Root(), EncodeStreamName("_StringPool", true),
                              EmptyStringPool()) &&
      CompoundFile::AddStream(file.Root(), EncodeStreamName("_StringData", true), "");
  if (!ok) {
    error = "cannot write the streams of " + path;
    return false;
  }
  if (!file.Close(error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace msptool
