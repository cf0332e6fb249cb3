#!/usr/bin/env bash
# tools/edk2-build's refusals, one bad input each: a folder that is no edk2 tree, a missing
# nasm, and an EDK2 build that fails. Each must end with one line naming the cause (and the
# log, for the build); a failed build must also take away the sets of the run before it,
# which would otherwise pass for its own.
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # NAME PATTERN COMMAND...: exit 1, one stderr line matching PATTERN, no image set
  local name=$1 pattern=$2
  shift 2
  rm -rf "$work/out"
  mkdir -p "$work/out/images/2022.11-gcc5-release"  # a set from an earlier run
  "$@" >"$work/stdout" 2>"$work/stderr"
  local status=$? last
  last=$(tail -n 1 "$work/stderr")
  if [ "$status" -eq 1 ] && [[ "$last" =~ $pattern ]] && [ ! -s "$work/stdout" ] &&
     { [ "$name" != build_fails ] || [ ! -e "$work/out/images/2022.11-gcc5-release" ]; }; then
    echo "PASS $name"
  else
    echo "FAIL $name: exit $status, last line: $last"
    failures=$((failures + 1))
  fi
}
export SOC_EDK2_OUT=$work/out SOC_EDK2_RELEASES=2022.11
# No edk2 tree there.
mkdir -p "$work/empty"
expect no_tree "^edk2-build: $work/empty is not an edk2 tree" \
  env SOC_EDK2_TREE_2022_11="$work/empty" "$tool"
# A tree whose build fails at once.
mkdir -p "$work/tree/BaseTools/Source/C/bin"
printf 'build() { echo "build: the compiler crashed"; return 1; }\n' >"$work/tree/edksetup.sh"
expect build_fails "^edk2-build: EDK2 2022.11 could not build SocDxePkg.dsc; see $work/out/2022.11.log$" \
  env SOC_EDK2_TREE_2022_11="$work/tree" "$tool"
# Every tool on PATH but nasm.
mkdir -p "$work/bin"
for t in iasl gcc make python3 bash env dirname tail mkdir rm ln cp mv; do
  ln -s "$(command -v "$t")" "$work/bin/$t"
done
expect no_nasm "^edk2-build: nasm is missing" env PATH="$work/bin" SOC_EDK2_TREE_2022_11="$work/tree" "$tool"
echo "$((3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
