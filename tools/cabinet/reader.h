// Taking some files out of a cabinet without reading the rest of it: a patch
// of 100 files of a product whose cabinet holds 1 GiB needs the blocks those
// files lie in, not the whole cabinet.
//
// A cabinet folder is a run of data blocks, each header giving the next
// block's place, so reaching a block costs one small read per block before
// it. An MSZIP block may refer back into the 32 KiB inflated before it (the
// compressors of Windows keep that history; others start each block afresh),
// so a block is first inflated on its own; only when that fails are the
// blocks before it inflated too, back to one that stands alone or to the
// folder's start, each block tried alone at most once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

typedef struct _GsfInput GsfInput;

namespace msptool {

// A cabinet's bytes: `read` fills `to` with the `count` bytes at `offset`,
// false when they are not all there.
struct ByteSource {
  std::uint64_t size = 0;
  std::function<bool(std::uint64_t offset, void* to, std::size_t count)> read;
};

// The bytes of a libgsf input (a package's stream, a file), read where they
// are; the input must outlive the source.
ByteSource GsfBytes(GsfInput* input);

enum class CabinetRead {
  Extracted,    // every wanted file the cabinet holds is written
  NotCabinet,   // no cabinet header, or one that lies about the cabinet
  BadClaim,     // a wanted file of another size than wanted, or overlapping another
  Unsupported,  // a wanted file lies in an LZX or Quantum folder, or spans cabinets
  Damaged,      // a block cut short, failing its checksum or not inflating to its size
  CannotWrite,  // an output file could not be written
};

// A file wanted from a cabinet: where to write it, and the size it must
// have (its File row's).
struct WantedFile {
  std::string path;
  std::uint64_t size = 0;
};
// The size of a file not known beforehand (a delta in a patch's own
// cabinet): the entry's own, still written once and within the others'.
inline constexpr std::uint64_t kAnySize = ~std::uint64_t{0};

// Writes each file of the cabinet whose name `wanted` maps to its path;
// `found` gets the names written. Each wanted file is written once, at most
// its wanted size: an entry claiming another size, or bytes another wanted
// entry claims, is refused before anything is written (a hostile cabinet's
// entries may all claim the same 256 MiB of zeros).
CabinetRead ExtractCabinetFiles(const ByteSource& cabinet,
                                const std::map<std::string, WantedFile>& wanted,
                                std::set<std::string>& found);

}  // namespace msptool
