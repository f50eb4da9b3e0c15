#include "apply/restart_decision.h"

#include <string>

#include "log/run_log.h"
#include "log/run_outcome.h"
#include "messages/result_messages.h"
#include "platform/environment.h"
#include "platform/restart.h"

namespace spinstall::apply {
namespace {

void Decided(const std::wstring& what) { log::Line(L"restart: needed, " + what); }

void Request(bool forceOtherSessions) {
  const std::uint32_t result = platform::RequestRestart(forceOtherSessions);
  log::Line(L"restart requested: result " + log::ResultText(result));
  if (result == 0) log::CurrentOutcome().restart = log::Restart::Started;
}

}  // namespace

void DecideRestart(RestartOption option) {
  switch (log::CurrentOutcome().restart) {
    case log::Restart::NotNeeded:
      log::Line(L"restart: not needed");
      return;
    case log::Restart::Started:
      log::Line(L"restart: started by the installer (1641)");
      return;
    case log::Restart::Needed:
      break;
  }
  const bool quiet = messages::Quiet();
  switch (option) {
    case RestartOption::Default:
      // An unattended run never restarts by surprise; a user is asked.
      if (quiet) {
        Decided(L"not made (no restart option with /q: /norestart)");
        return;
      }
      Decided(L"asking (no restart option without /q: /promptrestart)");
      break;
    case RestartOption::Never:
      Decided(L"not made (/norestart)");
      return;
    case RestartOption::Prompt:
      Decided(L"asking (/promptrestart)");
      break;
    case RestartOption::Force:
      Decided(L"requesting it (/forcerestart)");
      Request(true);
      return;
  }
  platform::SetThreadLocale(platform::kLocaleUserDefault);
  if (messages::AskRestart()) {
    Decided(L"requesting it (answered Yes)");
    Request(false);
  } else {
    Decided(quiet ? L"not made (not asked: /q)" : L"not made (answered No)");
  }
}

}  // namespace spinstall::apply
