#include "compound/directory.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>

#include "base/confined_file.h"
#include "base/error.h"
#include "base/little_endian.h"

namespace msptool {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxSector = 0xFFFFFFFA;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;  // no sibling or child
constexpr std::size_t kEntrySize = 128;
constexpr unsigned kStorage = 1, kStream = 2, kRoot = 5;
constexpr int kDeepest = 64;  // storages in storages: far more than any package

class Reader {
 public:
  explicit Reader(const CompoundBytes& bytes) : bytes_(bytes) {}

  bool Read(DirectoryNode& root, std::string& error) {
    std::string header;
    if (!Bytes(0, 512, header) || header.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0)
      return Refuse(error, "has no compound file header");
    const std::uint32_t shift = GetU16(header, 0x1E);
    if (shift != 9 && shift != 12) return Refuse(error, "has a sector size the format has not");
    sectorSize_ = std::size_t{1} << shift;
    wideSizes_ = shift == 12;
    sectors_ = bytes_.size / sectorSize_;  // the header's sector included
    if (!ReadFat(header, error)) return false;
    std::string directory;
    if (!Chain(GetU32(header, 0x30), directory, error)) return false;
    entries_ = directory;
    if (EntryCount() == 0 || Type(0) != kRoot)
      return Refuse(error, "has no root entry in its directory");
    root = {};
    root.isStorage = true;
    used_.insert(0);
    return Children(Field(0, 0x4C), root, 1, error);
  }

 private:
  bool Bytes(std::uint64_t at, std::size_t count, std::string& out) const {
    if (at > bytes_.size || count > bytes_.size - at) return false;
    out.resize(count);
    return bytes_.read(bytes_.context, at, out.data(), count);
  }
  // Sector `n`; the file's last one may be cut short, the rest read as zeros.
  bool Sector(std::uint32_t n, std::string& out) const {
    const std::uint64_t at = (std::uint64_t{n} + 1) * sectorSize_;
    if (n > sectors_ || at >= bytes_.size) return false;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize_, bytes_.size - at));
    if (!Bytes(at, count, out)) return false;
    out.resize(sectorSize_, '\0');
    return true;
  }

  // The FAT from the sectors the header's and the DIFAT sectors list.
  bool ReadFat(const std::string& header, std::string& error) {
    const std::uint32_t count = GetU32(header, 0x2C);
    if (count > sectors_) return Refuse(error, "claims more FAT sectors than the file has");
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < 109 && fatSectors.size() < count; ++i)
      fatSectors.push_back(GetU32(header, 0x4C + 4 * i));
    std::string sector;
    std::uint32_t next = GetU32(header, 0x44);
    for (std::uint64_t steps = 0; fatSectors.size() < count; ++steps) {
      if (next > kMaxSector || steps > sectors_ || !Sector(next, sector))
        return Refuse(error, "has a DIFAT chain that ends early or leaves the file");
      for (std::size_t at = 0; at + 4 < sectorSize_ && fatSectors.size() < count; at += 4)
        fatSectors.push_back(GetU32(sector, at));
      next = GetU32(sector, sectorSize_ - 4);
    }
    for (const std::uint32_t n : fatSectors) {
      if (!Sector(n, sector)) return Refuse(error, "has a FAT sector outside the file");
      fat_ += sector;
    }
    return true;
  }

  // The sectors of the chain from `first`, joined.
  bool Chain(std::uint32_t first, std::string& out, std::string& error) const {
    std::string sector;
    for (std::uint64_t steps = 0; first != kEndOfChain; ++steps) {
      if (first > kMaxSector || steps > sectors_ || !Sector(first, sector) ||
          std::uint64_t{first} * 4 + 4 > fat_.size())
        return Refuse(error, "has a directory chain that loops or leaves the file");
      out += sector;
      first = GetU32(fat_, std::size_t{first} * 4);
    }
    return true;
  }

  std::size_t EntryCount() const { return entries_.size() / kEntrySize; }
  unsigned Type(std::uint32_t i) const {
    return static_cast<unsigned char>(entries_[i * kEntrySize + 0x42]);
  }
  std::uint32_t Field(std::uint32_t i, std::size_t at) const {
    return GetU32(entries_, i * kEntrySize + at);
  }

  // The siblings of the tree whose top is entry `top`, into `parent`.
  bool Children(std::uint32_t top, DirectoryNode& parent, int depth, std::string& error) {
    if (top == kNoStream) return true;
    if (depth > kDeepest) return Refuse(error, "nests its storages too deep");
    std::vector<std::uint32_t> pending{top};
    while (!pending.empty()) {
      const std::uint32_t i = pending.back();
      pending.pop_back();
      if (i >= EntryCount() || !used_.insert(i).second)
        return Refuse(error,
                      "has a directory entry that lies outside the directory or is "
                      "referred to twice");
      DirectoryNode node;
      if (!Entry(i, node, error)) return false;
      if (node.isStorage && !Children(Field(i, 0x4C), node, depth + 1, error)) return false;
      parent.children.push_back(std::move(node));
      for (const std::size_t side : {0x44, 0x48})
        if (Field(i, side) != kNoStream) pending.push_back(Field(i, side));
    }
    return true;
  }

  bool Entry(std::uint32_t i, DirectoryNode& node, std::string& error) const {
    const std::size_t at = i * kEntrySize;
    const std::uint32_t nameBytes = GetU16(entries_, at + 0x40);
    const unsigned type = Type(i);
    if ((type != kStorage && type != kStream) || nameBytes < 2 || nameBytes > 64 ||
        nameBytes % 2 != 0)
      return Refuse(error, "has directory entry " + std::to_string(i) +
                               " of no storage or stream, or with no name");
    std::vector<gunichar2> units;
    for (std::size_t k = 0; k + 2 < nameBytes; k += 2)
      units.push_back(static_cast<gunichar2>(GetU16(entries_, at + k)));
    std::unique_ptr<gchar, void (*)(gpointer)> name(
        g_utf16_to_utf8(units.data(), static_cast<glong>(units.size()), nullptr, nullptr, nullptr),
        g_free);
    node.name = name ? name.get() : "";
    node.isStorage = type == kStorage;
    node.size = GetU32(entries_, at + 0x78);
    if (wideSizes_) node.size |= std::uint64_t{GetU32(entries_, at + 0x7C)} << 32;
    if (!node.isStorage && node.size > bytes_.size)
      return Refuse(error, "has stream " + std::to_string(i) + " claiming " +
                               std::to_string(node.size) + " bytes, more than the file's " +
                               std::to_string(bytes_.size));
    return true;
  }

  const CompoundBytes& bytes_;
  std::size_t sectorSize_ = 512;
  bool wideSizes_ = false;
  std::uint64_t sectors_ = 0;
  std::string fat_, entries_;
  std::set<std::uint32_t> used_;
};

}  // namespace

bool ReadCompoundDirectory(const CompoundBytes& bytes, DirectoryNode& root, std::string& error) {
  return Reader(bytes).Read(root, error);
}

bool ReadCompoundDirectory(const std::string& path, DirectoryNode& root, std::string& error) {
  // Without blocking: a FIFO named as a package is refused, not waited on.
  FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat facts {};
  if (!file || ::fstat(file.fd(), &facts) != 0) return Refuse(error, "cannot be read");
  if (!S_ISREG(facts.st_mode)) return Refuse(error, "is not a regular file");
  int fd = file.fd();
  const CompoundBytes bytes{static_cast<std::uint64_t>(facts.st_size),
                            [](void* context, std::uint64_t at, void* to, std::size_t count) {
                              const int f = *static_cast<int*>(context);
                              return ::pread(f, to, count, static_cast<off_t>(at)) ==
                                     static_cast<ssize_t>(count);
                            },
                            &fd};
  return ReadCompoundDirectory(bytes, root, error);
}

}  // namespace msptool
