#!/usr/bin/env bash
# corvane-cli end to end. Each row of cases.txt, "NAME: COMMAND", is a shell command run in a
# folder of its own holding the files of tests/data/inputs, with `corvane-cli` (or "$CLI" in a
# nested shell) standing for the program. What it prints, its error lines (the system's own
# words cut off, a usage error's text left out) and its exit status must be those of
# tests/data/cli/NAME.txt. Usage: run.sh PROGRAM [--regenerate] (--regenerate writes the
# files instead). CORVANE_CLI_COMMAND, when set, runs the program (corvane-cli.exe under Wine).
set -u
here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/../data/inputs expected=$here/../data/cli
export CLI=${CORVANE_CLI_COMMAND:-"'$1'"} LC_ALL=C.UTF-8
corvane-cli() { eval "$CLI \"\$@\""; }
# Under Wine, one server for the whole run (it ends 30 s after it), started apart from the rows:
# a server a row starts holds that row's pipes open until it ends.
[ -z "${CORVANE_CLI_COMMAND:-}" ] || { eval "$CLI --version" && export WINEPREFIX=$CORVANE_WINEPREFIX &&
  wineserver -k; wineserver -w; wineserver -p30; } &>/dev/null </dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
while IFS= read -r row; do
  [[ $row =~ ^(#.*)?$ ]] && continue
  [[ $row =~ ^([a-z0-9-]+):\ (.+)$ ]] || { echo "not a row: $row"; failed=1; continue; }
  name=${BASH_REMATCH[1]} dir=$work/${BASH_REMATCH[1]}
  mkdir "$dir" && ln -s "$inputs"/* "$dir"
  (cd "$dir" && set -o pipefail && eval "${BASH_REMATCH[2]}") </dev/null >"$dir.out" 2>"$dir.err"
  status=$?
  [ "$status" = 2 ] && [ -s "$dir.err" ] && echo "(a usage message)" >"$dir.err"
  { cat "$dir.out"
    sed -E 's/(could not be read|cannot write): .+/\1: …/; s/^/stderr: /' "$dir.err"
    echo "exit $status"; } >"$dir.txt"
  if [ "${2:-}" = --regenerate ]; then
    cp "$dir.txt" "$expected/$name.txt"
  elif ! diff -u --label "expected $name" --label "got $name" "$expected/$name.txt" "$dir.txt"; then
    failed=1
  fi
done <"$here/cases.txt"
exit $failed
