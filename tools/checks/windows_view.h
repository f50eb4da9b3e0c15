// A patch applied to a baseline as Windows Installer applies it: the
// transforms of property 8 in order, each validated by the upper word of its
// property 16 against the database as the transforms before it left it
// (property 9 names the base product code and version, property 7 the
// languages), and applied under the error conditions its lower word lets
// pass. A transform that fails validation is skipped; one that meets an
// error condition it does not suppress fails.
#pragma once

#include <string>
#include <vector>

#include "checks/patch_shape.h"
#include "compound/reader.h"
#include "msi/database.h"

namespace msptool {

struct TransformOutcome {
  std::string name;
  bool applied = false;
  std::string why;  // why it was skipped or failed; what it validated when applied
};

struct BaselineView {
  std::string productCode;
  std::string version;  // the baseline's ProductVersion
  std::vector<TransformOutcome> transforms;
  msi::Database result;  // the database once the applied transforms have changed it
};

struct WindowsView {
  std::vector<BaselineView> baselines;  // one each, in the given order
  // What Windows would do wrong, each naming the baseline and transform: a
  // data transform applied without its patch transform, a transform that
  // fails on an error condition, a baseline no transform applies to, a patch
  // marked removable that Windows would not remove, undocumented bits of
  // property 16, a code page that conflicts with the product's.
  std::vector<std::string> problems;
};

// `root` as ReadCompoundStreams gives it with DatabaseStreams and the summary
// streams' bytes; `transforms` property 8.
WindowsView ApplyAsWindows(const CompoundEntry& root, const std::string& transforms,
                           const std::vector<msi::Database>& baselines);

// Why Windows would not apply a transform whose summary says `facts` to
// `db` (its upper word of property 16 against db's Property table); empty
// when it validates. The platform (0x0004) is not checked: this system's
// transforms name none.
std::string ValidationFailure(const TransformFacts& facts, const msi::Database& db);

// One line per transform of `view` ("{code} 1.0.0: transform "T1" applied",
// "... transform "#T2" skipped: installed version ..."), and per baseline one
// line counting the transforms skipped as another product's.
std::vector<std::string> ViewLines(const WindowsView& view);

}  // namespace msptool
