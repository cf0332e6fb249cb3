#!/usr/bin/env bash
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
# The refusals of tools/edk2-build, tools/reference-platform, tools/dev/casefold-farm and the
# image build's configure step, one bad input each. Each
# must exit 1 with one last line naming the cause (and the log, for a build), print no
# result, and leave behind no output a later run would take for its own.
#   refusals.sh TOOLS_DIR
set -u
tools=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
refused() {  # NAME PATTERN GONE COMMAND...: GONE is what must not exist afterwards
  local name=$1 pattern=$2 gone=$3 last status
  shift 3
  "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
  last=$(tail -n 1 "$work/stderr")
  if [ "$status" -eq 1 ] && [[ "$last" =~ $pattern ]] && [ ! -s "$work/stdout" ] && ! compgen -G "$gone" >/dev/null
  then
    echo "PASS $name"
  else
    echo "FAIL $name: exit $status, last line: $last"
    failures=$((failures + 1))
  fi
}

# edk2-build, on 2022.11 trees of the test's own.
export SOC_EDK2_OUT=$work/edk2 SOC_EDK2_RELEASES=2022.11 SOC_CACHE_DIR=$work/cache
sets=$work/edk2/images/2022.11-gcc5-release
mkdir -p "$work/empty" "$work/tree/BaseTools/Source/C/bin" "$work/tree/BaseTools/Conf" "$work/bin"
printf '*_GCC5_*_*_FAMILY = GCC\n*_CLANGPDB_*_*_FAMILY = GCC\n' >"$work/tree/BaseTools/Conf/tools_def.template"
touch "$work/tree/BaseTools/Conf/build_rule.template"
refused no_tree "^edk2-build: $work/empty is not an edk2 tree" "$work/nothing" \
  env SOC_EDK2_TREE_2022_11="$work/empty" "$tools/edk2-build"
printf 'build() { echo "build: the compiler crashed"; return 1; }\n' >"$work/tree/edksetup.sh"
mkdir -p "$sets"  # an earlier run's set must not pass for this one's
refused build_fails "^edk2-build: EDK2 2022.11 could not build SocDxePkg.dsc; see $work/edk2/2022.11.log$" "$sets" \
  env SOC_EDK2_TREE_2022_11="$work/tree" "$tools/edk2-build"
printf 'build() { return 0; }\n' >"$work/tree/edksetup.sh"  # a build that makes nothing
refused build_makes_nothing "^edk2-build: EDK2's build made no $work/edk2/2022.11/Build/SocDxePkg/DEBUG_GCC5/X64/SocDxeM70.efi$" \
  "$sets" env SOC_EDK2_TREE_2022_11="$work/tree" "$tools/edk2-build"
refused unknown_tag "^edk2-build: EDK2 2022.11 defines no toolchain tag GCC; it defines CLANGPDB, GCC5$" "$sets" \
  env SOC_EDK2_TREE_2022_11="$work/tree" SOC_EDK2_TAGS_2022_11="GCC CLANGPDB" "$tools/edk2-build"
refused no_release "^edk2-build: no EDK2 release 2023.05 here" "$work/nothing" \
  env SOC_EDK2_RELEASES=2023.05 "$tools/edk2-build"
for t in iasl gcc make bash; do ln -s "$(command -v "$t")" "$work/bin/$t"; done
ln -s "$(python3 -c 'import sys; print(sys.executable)')" "$work/bin/python3"
refused no_nasm "^edk2-build: nasm is missing" "$work/nothing" \
  env PATH="$work/bin" SOC_EDK2_TREE_2022_11="$work/tree" "$tools/edk2-build"

# reference-platform, on a stand-in for the strict firmware's folder.
strict=$("$tools/strict-ovmf" --where)
mkdir -p "$strict/edk2/OvmfPkg" "$strict/edk2/BaseTools"
touch "$strict/done"
printf 'version\n' >"$strict/flags"
printf "('PcdVpdBaseAddress64', 'gEfiMdeModulePkgTokenSpaceGuid') : 30\n('PcdX', 'gUefiOvmfPkgTokenSpaceGuid') : 58\n" \
  >"$strict/PcdTokenNumber"
printf 'APRIORI DXE {\n  INF  MdeModulePkg/Universal/PCD/Dxe/Pcd.inf\n}\nINF  MdeModulePkg/Universal/PCD/Pei/Pcd.inf\nINF  MdeModulePkg/Universal/PCD/Dxe/Pcd.inf\n' \
  >"$strict/edk2/OvmfPkg/OvmfPkgX64.fdf"
platform() {  # NAME PATTERN DSC BUILD-FUNCTION-BODY
  printf '%s' "$3" >"$strict/edk2/OvmfPkg/OvmfPkgX64.dsc"
  printf 'build() { %s; }\n' "$4" >"$strict/edk2/edksetup.sh"
  refused "$1" "$2" "$SOC_CACHE_DIR/reference-platform-*/out" "$tools/reference-platform"
}
dsc=$'[Defines]\n  FLASH_DEFINITION = OvmfPkg/OvmfPkgX64.fdf\n'
platform dsc_without_fdf '^reference-platform: OvmfPkgX64.dsc has no single FLASH_DEFINITION line$' '[Defines]' true
platform platform_fails "^reference-platform: EDK2's build of the platform failed; see .*/build.log$" "$dsc" 'return 1'
platform tokens_elsewhere "^reference-platform: the platform's PCD database numbers the drivers' tokens otherwise: \
PcdT0150 got 151, .*" "$dsc" "mkdir -p Build/OvmfX64/DEBUG_GCC5; echo \"('PcdT0150', 'gVendorSocRefTokenSpaceGuid') : 151\" \
>Build/OvmfX64/DEBUG_GCC5/PcdTokenNumber"

# casefold-farm: two names a case-insensitive host cannot hold apart, and no package.
mkdir -p "$work/pkg/Include" && touch "$work/pkg/Include/Base.h" "$work/pkg/Include/base.h"
refused case_twins "^casefold-farm: $work/pkg/Include holds names that differ only in case$" "$work/farm*" \
  "$tools/dev/casefold-farm" "$work/farm" "$work/pkg"
refused no_package "^casefold-farm: $work/missing is not a folder$" "$work/farm/*" \
  "$tools/dev/casefold-farm" "$work/farm" "$work/missing"

# The image build's configure step, on an option the compiler or the linker does not take.
src=$(dirname "$tools")
for option in "SOC_IMAGE_COMPILE_OPTIONS=-Oz;-fno-such-option" "SOC_IMAGE_LINK_OPTIONS=/opt:ref;/nosuch"; do
  cmake -S "$src" -B "$work/fw" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-x86_64-uefi.cmake" "-D$option" \
    >"$work/out" 2>&1
  status=$?
  if [ "$status" -ne 0 ] && tr -s ' \n' '  ' <"$work/out" | grep -q "${option%%=*}: [^ ]* does not take '${option##*;}'" \
     && [ ! -e "$work/fw/build.ninja" ]; then
    echo "PASS configure ${option%%=*}"
  else
    echo "FAIL configure ${option%%=*}: exit $status"
    failures=$((failures + 1))
  fi
  rm -rf "$work/fw"
done

echo "$((12 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
