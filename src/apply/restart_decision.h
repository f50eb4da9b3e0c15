// The one restart decision of an installation, made after every product has
// been handled and every box shown: the configure calls themselves never
// restart the machine (REBOOT=ReallySuppress).
#pragma once

namespace spinstall::apply {

enum class RestartOption {
  Default,  // none given: Never with /q, Prompt without
  Never,    // "/norestart": never restart, never ask
  Prompt,   // "/promptrestart": ask in a Yes/No box
  Force,    // "/forcerestart": restart without asking, /q or not
};

// When a configure call answered 3010, leaves the machine, asks whether to
// restart it (in the user's default language) or restarts it, as `option`
// says; the run log says what was decided and why, and a restart that was
// started counts in the run's outcome.
void DecideRestart(RestartOption option);

}  // namespace spinstall::apply
