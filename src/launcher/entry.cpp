#include "launcher/entry.h"

#include "admin/package_info.h"
#include "admin/patch_list_export.h"
#include "apply/install_driver.h"
#include "apply/product_discovery.h"
#include "launcher/run_mode.h"
#include "messages/result_messages.h"
#include "package/extraction.h"

namespace spinstall::launcher {

int RunProgram() {
  ParseCommandLine();
  RunMode& mode = CurrentRunMode();
  messages::Quiet() = mode.quiet;
  if (mode.install) {
    apply::RunInstall();
  } else {
    // Each mode runs whatever became of the ones before it.
    if (mode.extract) package::ExtractPackage(mode.extractPath);
    if (mode.patchList) admin::ExportPatchList(mode.patchListPath);
    if (mode.info) admin::ShowPackageInfo();
  }
  apply::ClearProductList();
  return 0;
}

}  // namespace spinstall::launcher
