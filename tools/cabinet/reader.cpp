#include "cabinet/reader.h"

#include <gsf/gsf.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "base/little_endian.h"

namespace msptool {
namespace {

constexpr std::size_t kBlockSize = 32768;  // the most a data block inflates to, and MSZIP's history
constexpr std::uint32_t kPrevCabinet = 1, kNextCabinet = 2, kReservePresent = 4;
constexpr std::uint32_t kNone = 0, kMszip = 1;
constexpr std::uint32_t kContinued = 0xFFFD;  // and up: a file spanning cabinets
constexpr std::size_t kNameMax = 256;

// Reads forward through the source, a piece at a time, for the many small
// fields of the header, the folders and the file entries.
class Cursor {
 public:
  Cursor(const ByteSource& source, std::uint64_t at) : source_(source), at_(at) {}
  bool Bytes(std::string& out, std::size_t count) {
    if (count > source_.size || at_ > source_.size - count) return false;
    out.resize(count);
    if (count && !source_.read(at_, out.data(), count)) return false;
    at_ += count;
    return true;
  }
  // A NUL-terminated text of at most kNameMax bytes.
  bool Text(std::string& out) {
    out.clear();
    std::string piece;
    while (out.size() < kNameMax) {
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(64, source_.size - at_));
      const std::uint64_t start = at_;
      if (count == 0 || !Bytes(piece, count)) return false;
      const std::size_t end = piece.find('\0');
      out += piece.substr(0, end);
      if (end != std::string::npos) {
        at_ = start + end + 1;
        return out.size() <= kNameMax;
      }
    }
    return false;
  }
  std::uint64_t at() const { return at_; }
  void Skip(std::uint64_t count) { at_ += count; }

 private:
  const ByteSource& source_;
  std::uint64_t at_;
};

struct Folder {
  std::uint32_t firstBlock = 0;  // offset of its first data block
  std::uint32_t blocks = 0;
  std::uint32_t compression = 0;
};

struct Entry {
  std::string name;
  std::uint64_t start = 0;  // in the folder's inflated bytes
  std::uint64_t size = 0;
  std::uint32_t folder = 0;
  std::string path;
};

struct Block {
  std::uint64_t data = 0;  // offset of its bytes in the cabinet
  std::uint32_t checksum = 0, packed = 0, size = 0;
  std::uint64_t start = 0;  // of its inflated bytes in the folder
};

// The cabinet format's checksum: the XOR of the data as 32-bit words, the
// last one to three bytes taken high byte first.
std::uint32_t Checksum(const std::string& data, std::uint32_t seed) {
  const std::size_t words = data.size() / 4 * 4;
  for (std::size_t i = 0; i < words; i += 4) seed ^= GetU32(data, i);
  std::uint32_t tail = 0;
  for (std::size_t i = words; i < data.size(); ++i)
    tail = (tail << 8) | static_cast<unsigned char>(data[i]);
  return seed ^ tail;
}

struct Cabinet {
  std::vector<Folder> folders;
  std::vector<Entry> entries;
  std::uint32_t dataReserve = 0;
};

CabinetRead ReadDirectory(const ByteSource& source, Cabinet& cab) {
  Cursor at(source, 0);
  std::string header;
  if (!at.Bytes(header, 36) || header.compare(0, 4, "MSCF") != 0) return CabinetRead::NotCabinet;
  const std::uint32_t filesAt = GetU32(header, 16), folderCount = GetU16(header, 26),
                      fileCount = GetU16(header, 28), flags = GetU16(header, 30);
  std::uint32_t folderReserve = 0;
  std::string field;
  if (flags & kReservePresent) {
    if (!at.Bytes(field, 4)) return CabinetRead::NotCabinet;
    folderReserve = static_cast<unsigned char>(field[2]);
    cab.dataReserve = static_cast<unsigned char>(field[3]);
    at.Skip(GetU16(field, 0));
  }
  // The names of the cabinets before and after this one, and of their disks.
  for (const std::uint32_t link : {kPrevCabinet, kNextCabinet})
    if (flags & link)
      for (int i = 0; i < 2; ++i)
        if (!at.Text(field)) return CabinetRead::NotCabinet;
  for (std::uint32_t i = 0; i < folderCount; ++i) {
    if (!at.Bytes(field, 8)) return CabinetRead::NotCabinet;
    cab.folders.push_back({GetU32(field, 0), GetU16(field, 4), GetU16(field, 6) & 0xF});
    at.Skip(folderReserve);
  }
  Cursor files(source, filesAt);
  for (std::uint32_t i = 0; i < fileCount; ++i) {
    Entry e;
    if (!files.Bytes(field, 16) || !files.Text(e.name)) return CabinetRead::NotCabinet;
    e.size = GetU32(field, 0);
    e.start = GetU32(field, 4);
    e.folder = GetU16(field, 8);
    cab.entries.push_back(std::move(e));
  }
  return CabinetRead::Extracted;
}

// Inflates a folder's blocks on demand, keeping the history the next block in
// order may refer to.
class FolderReader {
 public:
  FolderReader(const ByteSource& source, const Folder& folder, const std::vector<Block>& blocks)
      : source_(source),
        mszip_(folder.compression == kMszip),
        blocks_(blocks),
        alone_(blocks_.size(), true) {
    stream_ = {};
    inflateInit2(&stream_, -MAX_WBITS);
  }
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;
  ~FolderReader() { inflateEnd(&stream_); }

  // Block `i`'s inflated bytes; blocks are asked for in ascending order.
  CabinetRead Read(std::size_t i, std::string& out) {
    if (Follows(i)) return Next(i, out);
    // On its own, unless it is known to need what came before it.
    if (Inflate(i, {}, out)) {
      Remember(i, out, true);
      return CabinetRead::Extracted;
    }
    alone_[i] = false;
    // Back to the folder's start, to the block the history follows, or to a
    // block that stands alone with a whole history after it.
    std::size_t from = i;
    std::string earlier;
    while (from > 0) {
      if (Follows(--from)) break;
      if (alone_[from] && Inflate(from, {}, earlier) && earlier.size() == kBlockSize) {
        Remember(from++, earlier, true);
        break;
      }
      alone_[from] = false;
    }
    for (; from < i; ++from)
      if (const CabinetRead r = Next(from, earlier); r != CabinetRead::Extracted) return r;
    return Next(i, out);
  }

 private:
  // True when the history holds everything block `i` may refer to.
  bool Follows(std::size_t i) const { return i == 0 ? !after_ : after_ && *after_ + 1 == i; }

  CabinetRead Next(std::size_t i, std::string& out) {
    if (i == 0) history_.clear();
    if (!Inflate(i, history_, out)) return CabinetRead::Damaged;
    Remember(i, out, false);
    return CabinetRead::Extracted;
  }

  // The history after block `i`: its last kBlockSize bytes, with what came
  // before when `fresh` is false; unknown when a block standing alone is
  // shorter than the history a next block may reach.
  void Remember(std::size_t i, const std::string& out, bool fresh) {
    if (fresh) history_.clear();
    history_ += out;
    if (history_.size() > kBlockSize) history_.erase(0, history_.size() - kBlockSize);
    after_ = fresh && i > 0 && out.size() < kBlockSize ? std::nullopt : std::optional(i);
  }

  bool Inflate(std::size_t i, const std::string& history, std::string& out) {
    const Block& b = blocks_[i];
    std::string packed;
    if (!Cursor(source_, b.data).Bytes(packed, b.packed)) return false;
    if (b.checksum != 0) {
      std::string sizes;
      PutU16(sizes, b.packed);
      PutU16(sizes, b.size);
      if (Checksum(sizes, Checksum(packed, 0)) != b.checksum) return false;
    }
    if (!mszip_) {
      out = std::move(packed);
      return out.size() == b.size;
    }
    // "CK", then a deflate stream that may end without a final block.
    if (packed.compare(0, 2, "CK") != 0 || inflateReset(&stream_) != Z_OK) return false;
    if (!history.empty() &&
        inflateSetDictionary(&stream_, reinterpret_cast<const Bytef*>(history.data()),
                             static_cast<uInt>(history.size())) != Z_OK)
      return false;
    out.resize(kBlockSize + 1);
    stream_.next_in = reinterpret_cast<Bytef*>(packed.data() + 2);
    stream_.avail_in = static_cast<uInt>(packed.size() - 2);
    stream_.next_out = reinterpret_cast<Bytef*>(out.data());
    stream_.avail_out = static_cast<uInt>(out.size());
    const int r = inflate(&stream_, Z_FINISH);
    out.resize(out.size() - stream_.avail_out);
    return (r == Z_STREAM_END || (r == Z_BUF_ERROR && stream_.avail_in == 0)) &&
           out.size() == b.size;
  }

  const ByteSource& source_;
  const bool mszip_;
  const std::vector<Block>& blocks_;
  std::vector<bool> alone_;  // false: known to need the blocks before it
  z_stream stream_;
  std::string history_;
  std::optional<std::size_t> after_;  // the last block `history_` holds, when whole
};

// The folder's blocks up to the one holding byte `end` - 1.
CabinetRead ReadBlocks(const ByteSource& source, const Folder& folder, std::uint32_t reserve,
                       std::uint64_t end, std::vector<Block>& blocks) {
  Cursor at(source, folder.firstBlock);
  std::uint64_t inflated = 0;
  std::string header;
  for (std::uint32_t i = 0; i < folder.blocks && inflated < end; ++i) {
    if (!at.Bytes(header, 8)) return CabinetRead::Damaged;
    at.Skip(reserve);
    Block b{at.at(), GetU32(header, 0), GetU16(header, 4), GetU16(header, 6), inflated};
    if (b.size > kBlockSize || b.data > source.size || b.packed > source.size - b.data)
      return CabinetRead::Damaged;
    blocks.push_back(b);
    at.Skip(b.packed);
    inflated += b.size;
  }
  return inflated < end ? CabinetRead::Damaged : CabinetRead::Extracted;
}

// Writes `entries` (one folder's, by start) from the blocks they lie in.
CabinetRead ExtractFolder(const ByteSource& source, const Cabinet& cab, const Folder& folder,
                          std::vector<const Entry*> entries, std::set<std::string>& found) {
  std::uint64_t end = 0;
  for (const Entry* e : entries) end = std::max(end, e->start + e->size);
  std::vector<Block> blocks;
  if (const CabinetRead r = ReadBlocks(source, folder, cab.dataReserve, end, blocks);
      r != CabinetRead::Extracted)
    return r;
  FolderReader reader(source, folder, blocks);
  // The entries do not overlap (checked before): one file at a time is
  // written, the one that runs on into the next block kept open, so that a
  // block of thousands of small files needs one descriptor, not thousands.
  std::unique_ptr<std::ofstream> out;
  std::size_t next = 0;  // the entry being written, or the next to start
  std::string bytes;
  for (std::size_t i = 0; i < blocks.size() && next < entries.size(); ++i) {
    const std::uint64_t from = blocks[i].start, to = from + blocks[i].size;
    if (entries[next]->start >= to) continue;  // a block no wanted file lies in
    if (const CabinetRead r = reader.Read(i, bytes); r != CabinetRead::Extracted) return r;
    while (next < entries.size() && entries[next]->start < to) {
      const Entry& e = *entries[next];
      if (!out) out = std::make_unique<std::ofstream>(e.path, std::ios::binary);
      const std::uint64_t a = std::max(from, e.start), z = std::min(to, e.start + e.size);
      if (a < z) out->write(bytes.data() + (a - from), static_cast<std::streamsize>(z - a));
      if (e.start + e.size > to) break;  // goes on in the next block
      out->close();
      if (!*out) return CabinetRead::CannotWrite;
      out.reset();
      found.insert(e.name);
      ++next;
    }
  }
  return CabinetRead::Extracted;
}

}  // namespace

CabinetRead ExtractCabinetFiles(const ByteSource& cabinet,
                                const std::map<std::string, WantedFile>& wanted,
                                std::set<std::string>& found) {
  Cabinet cab;
  if (const CabinetRead r = ReadDirectory(cabinet, cab); r != CabinetRead::Extracted) return r;
  // Per folder, the wanted entries by their start; a name's first entry only.
  std::map<std::uint32_t, std::vector<const Entry*>> byFolder;
  std::set<std::string> taken;
  bool unsupported = false;
  for (auto& e : cab.entries) {
    const auto want = wanted.find(e.name);
    if (want == wanted.end() || !taken.insert(e.name).second) continue;
    if (want->second.size != kAnySize && e.size != want->second.size) return CabinetRead::BadClaim;
    if (e.folder >= kContinued) {
      unsupported = true;
      continue;
    }
    if (e.folder >= cab.folders.size()) return CabinetRead::NotCabinet;
    e.path = want->second.path;
    byFolder[e.folder].push_back(&e);
  }
  for (auto& [index, entries] : byFolder) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry* a, const Entry* b) { return a->start < b->start; });
    for (std::size_t i = 1; i < entries.size(); ++i)
      if (entries[i]->start < entries[i - 1]->start + entries[i - 1]->size)
        return CabinetRead::BadClaim;
    const std::uint32_t compression = cab.folders[index].compression;
    unsupported = unsupported || (compression != kNone && compression != kMszip);
  }
  // The claims are checked first, whoever extracts the files.
  if (unsupported) return CabinetRead::Unsupported;
  for (auto& [index, entries] : byFolder) {
    // An empty file needs no block.
    for (const Entry* e : entries)
      if (e->size == 0) {
        if (!std::ofstream(e->path, std::ios::binary)) return CabinetRead::CannotWrite;
        found.insert(e->name);
      }
    std::erase_if(entries, [](const Entry* e) { return e->size == 0; });
    if (const CabinetRead r = ExtractFolder(cabinet, cab, cab.folders[index], entries, found);
        r != CabinetRead::Extracted)
      return r;
  }
  return CabinetRead::Extracted;
}

ByteSource GsfBytes(GsfInput* input) {
  return {static_cast<std::uint64_t>(gsf_input_size(input)),
          [input](std::uint64_t offset, void* to, std::size_t count) {
            return !gsf_input_seek(input, static_cast<gsf_off_t>(offset), G_SEEK_SET) &&
                   gsf_input_read(input, count, static_cast<guint8*>(to));
          }};
}

}  // namespace msptool
