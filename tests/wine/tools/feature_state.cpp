// Test-only: the installed state of a product's features, straight from
// msi.dll: feature_state PRODUCTCODE FEATURE... prints for each feature
//   CODE feature FEATURE STATE   STATE as MsiQueryFeatureStateW answers
//                                (3 local, 2 absent, -1 unknown, ...)
// The features are named by the caller (from the package's Feature table):
// Wine's MsiEnumFeaturesW lists only those of per-user products.
#include <windows.h>
// msi.h needs the types of windows.h.
#include <msi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: feature_state PRODUCTCODE FEATURE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    std::printf("%ls feature %ls %d\n", argv[1], argv[i],
                static_cast<int>(MsiQueryFeatureStateW(argv[1], argv[i])));
  }
  return 0;
}
