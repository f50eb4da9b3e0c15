#include "support/process_state.h"

#include "apply/busy_installer.h"
#include "apply/product_discovery.h"
#include "installer/installer_service.h"
#include "launcher/run_mode.h"
#include "log/run_log.h"
#include "log/run_outcome.h"
#include "messages/result_messages.h"
#include "package/temporary_name.h"
#include "platform/environment.h"
#include "platform/host/embedded_resources.h"
#include "platform/last_error.h"
#include "support/temp_dir.h"

namespace testsupport {

void ResetProcessState() {
  spinstall::launcher::CurrentRunMode() = spinstall::launcher::RunMode{};
  spinstall::package::ResetTemporaryNameCounter();
  spinstall::apply::ClearProductList();
  spinstall::messages::CurrentProductName().clear();
  spinstall::messages::Quiet() = false;
  spinstall::platform::SetThreadLocale(spinstall::platform::kLocaleUserDefault);
  spinstall::platform::SetLastError(0);
  spinstall::platform::host::OverrideResources({});
  spinstall::platform::host::OverrideStrings({});
  spinstall::installer::SetActiveService(nullptr);
  spinstall::apply::SetBusyWait(nullptr);
  spinstall::log::CloseRunLog();
  spinstall::log::CurrentOutcome() = {};
}

std::string CarriedPackageBytes() { return ReadFileBytes(SPINSTALL_CARRIED_PACKAGE); }

}  // namespace testsupport
