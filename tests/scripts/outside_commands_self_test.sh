#!/usr/bin/env bash
# The command check must fail, naming the command, when a Wine test script
# calls a command that scripts/setup lists for no package: a copy of setup and
# one such script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts" "$tree/tests/wine"
cp "$here/../../scripts/setup" "$tree/scripts/setup"
printf '#!/usr/bin/env bash\nwixl demo.wxs\nstep "x" && made_up_tool --version\n' >"$tree/tests/wine/new_test.sh"
if out=$(bash "$here/outside_commands_test.sh" "$tree" 2>&1); then
  echo "the check passed a script that calls made_up_tool"
  exit 1
fi
grep -q "tests/wine/new_test.sh calls 'made_up_tool'" <<<"$out" || { echo "unexpected: $out"; exit 1; }
! grep -q "'wixl'" <<<"$out" || { echo "wixl is in the table but was reported: $out"; exit 1; }
