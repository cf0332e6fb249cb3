#!/usr/bin/env bash
# tools/reference-platform's refusals, one bad input each, on a stand-in for the strict
# firmware's folder: an OVMF DSC it cannot rework, an EDK2 build that fails, and a build
# whose PCD database numbers a token otherwise. Each ends with one line naming the cause
# and leaves no platform behind.
set -u
tool=$1
export SOC_CACHE_DIR
SOC_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$SOC_CACHE_DIR"' EXIT
strict=$(SOC_CACHE_DIR=$SOC_CACHE_DIR "$(dirname "$tool")/strict-ovmf" --where)
mkdir -p "$strict/edk2/OvmfPkg" "$strict/edk2/BaseTools"
touch "$strict/done"
printf 'version\n' >"$strict/flags"
printf "('PcdVpdBaseAddress64', 'gEfiMdeModulePkgTokenSpaceGuid') : 30\n('PcdX', 'gUefiOvmfPkgTokenSpaceGuid') : 58\n" \
  >"$strict/PcdTokenNumber"
printf 'INF  MdeModulePkg/Universal/PCD/Pei/Pcd.inf\nINF  MdeModulePkg/Universal/PCD/Dxe/Pcd.inf\n' \
  >"$strict/edk2/OvmfPkg/OvmfPkgX64.fdf"
failures=0
case_() {  # NAME DSC BUILD-FUNCTION PATTERN
  printf '%s' "$2" >"$strict/edk2/OvmfPkg/OvmfPkgX64.dsc"
  printf 'build() { %s; }\n' "$3" >"$strict/edk2/edksetup.sh"
  local last
  last=$("$tool" 2>&1 >/dev/null | tail -n 1)
  local status=${PIPESTATUS[0]}
  if [[ "$last" =~ $4 ]] && ! ls -d "$SOC_CACHE_DIR"/reference-platform-*/out >/dev/null 2>&1; then
    echo "PASS $1"
  else
    echo "FAIL $1: $last"
    failures=$((failures + 1))
  fi
}
dsc='[Defines]
  FLASH_DEFINITION = OvmfPkg/OvmfPkgX64.fdf
'
case_ dsc_without_fdf '[Defines]' 'true' '^reference-platform: OvmfPkgX64.dsc has no single FLASH_DEFINITION line$'
case_ build_fails "$dsc" 'return 1' "^reference-platform: EDK2's build of the platform failed; see .*/build.log$"
wrong="mkdir -p Build/OvmfX64/DEBUG_GCC5; echo \"('PcdT0150', 'gVendorSocRefTokenSpaceGuid') : 151\" \
  >Build/OvmfX64/DEBUG_GCC5/PcdTokenNumber"
case_ tokens_elsewhere "$dsc" "$wrong" \
  "^reference-platform: the platform's PCD database numbers the drivers' tokens otherwise: PcdT0150 got 151, .*"
echo "$((3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
