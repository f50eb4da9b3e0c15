#include "launcher/entry.h"

#include "admin/package_info.h"
#include "admin/patch_list_export.h"
#include "apply/install_driver.h"
#include "apply/product_discovery.h"
#include "apply/restart_decision.h"
#include "launcher/run_mode.h"
#include "log/run_log.h"
#include "log/run_outcome.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "platform/last_error.h"
#include "platform/process_facts.h"

namespace spinstall::launcher {
namespace {

std::wstring ModeText(const RunMode& mode) {
  if (mode.help) return L"usage";
  std::wstring text = mode.install ? L"install" : L"";
  if (mode.extract) text += L"extract ";
  if (mode.patchList) text += L"patch list ";
  if (mode.info) text += L"info ";
  if (!mode.install) text.pop_back();
  if (mode.quiet) text += L", quiet";
  if (mode.exitCode) text += L", exit code";
  switch (mode.restart) {
    case apply::RestartOption::Default:
      break;
    case apply::RestartOption::Never:
      text += L", no restart";
      break;
    case apply::RestartOption::Prompt:
      text += L", prompt restart";
      break;
    case apply::RestartOption::Force:
      text += L", force restart";
      break;
  }
  return text;
}

void Extract(std::wstring& path) {
  const bool extracted = package::ExtractPackage(path);
  const std::uint32_t result = extracted ? 0 : platform::LastError();
  if (!extracted) log::NoteFailure(result);
  log::Line(L"extract to " + path + L": " +
            std::to_wstring(extracted ? package::CarriedPackageSize() : 0) +
            L" bytes written, result " + log::ResultText(result));
}

}  // namespace

std::uint32_t RunProgram() {
  ParseCommandLine();
  RunMode& mode = CurrentRunMode();
  messages::Quiet() = mode.quiet;
  log::OpenRunLog(mode.logPath);
  log::Line(L"spinstall " SPINSTALL_VERSION L", command line: " + platform::RawCommandLine());
  log::Line(L"mode: " + ModeText(mode));
  if (mode.help) {
    messages::ShowUsage();
  } else if (mode.install) {
    apply::RunInstall(mode.busyWaitSeconds);
    apply::DecideRestart(mode.restart);
  } else {
    // Each mode runs whatever became of the ones before it.
    if (mode.extract) Extract(mode.extractPath);
    if (mode.patchList) admin::ExportPatchList(mode.patchListPath);
    if (mode.info) admin::ShowPackageInfo();
  }
  apply::ClearProductList();
  const log::RunOutcome& outcome = log::CurrentOutcome();
  const std::uint32_t code = log::ExitCode(outcome);
  log::Line(L"result: " +
            (mode.install ? log::InstallSummary(outcome) + L", exit code " + std::to_wstring(code)
                          : log::ResultText(code)));
  log::CloseRunLog();
  // Without /exitcode the status stays 0: scripts that run the program rely on it.
  return mode.exitCode ? code : 0;
}

}  // namespace spinstall::launcher
