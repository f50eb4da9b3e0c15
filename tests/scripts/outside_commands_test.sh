#!/usr/bin/env bash
# Fails when a shell script of the project runs an outside command that no
# "# runs:" of scripts/setup's packages names, naming the script and the
# command: a command installed by hand on one machine would otherwise pass
# here and fail on a fresh one. Each script is read as bash itself prints it back (one command a
# line); this aims to catch the next missing package, not to parse all of bash.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${1:-$(cd "$here/../.." && pwd)}
cd "$root"

mapfile -t scripts < <(
  find scripts tests bench fuzz .ci -type f ! -path '*/corpus/*' | sort |
    while read -r f; do
      case $f in
        *.sh) echo "$f" ;;
        *.*) ;;
        *) head -n1 "$f" | grep -q '^#!.*sh' && echo "$f" ;;
      esac
    done)

declare -A known=([__script]=1)
while read -r word; do [ -n "$word" ] && known[$word]=1; done < <(
  compgen -b -k
  dpkg-query -L coreutils | sed -n 's|^/usr/bin/||p; s|^/bin/||p'
  sed -n '/^packages=(/,/^)/s/^.*# runs: //p' scripts/setup | tr ' ' '\n'
  # the project's own shell functions
  cat "${scripts[@]}" |
    sed -n 's/^[[:space:]]*\(function[[:space:]]\+\)\?\([A-Za-z_][A-Za-z0-9_-]*\)[[:space:]]*()[[:space:]]*{\?.*$/\2/p')

# The first word at every command position of script $1.
command_words() {
  bash -c 'eval "__script() {
$(cat "$1")
}" && declare -f __script' _ "$1" | awk -f "$here/command_words.awk" | sort -u
}

status=0
for script in "${scripts[@]}"; do
  while read -r word; do
    # A path inside the project (scripts/build, fuzz/run) is ours.
    [[ $word == */* && $word != /* ]] && continue
    [ -n "${known[$word]:-}" ] && continue
    echo "$script calls '$word', which no package in scripts/setup lists" >&2
    status=1
  done < <(command_words "$script")
done
((status == 0)) && echo "${#scripts[@]} scripts call only commands that scripts/setup provides"
exit "$status"
