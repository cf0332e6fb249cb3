# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
# Cross-compiles PE32+ UEFI images: clang++ emits COFF for x86-64 Windows, lld-link links.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SOC_FIRMWARE ON CACHE BOOL "Build the firmware images" FORCE)

find_program(SOC_CLANGXX NAMES clang++-14 clang++ REQUIRED)
find_program(SOC_LLD_LINK NAMES lld-link-14 lld-link REQUIRED)

set(CMAKE_CXX_COMPILER ${SOC_CLANGXX})

set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_CXX_FLAGS_INIT
    "--target=x86_64-unknown-windows -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -mno-red-zone -fshort-wchar \
-fno-stack-protector -fno-threadsafe-statics -ffunction-sections -fdata-sections -mno-stack-arg-probe -fno-builtin")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "")
set(CMAKE_EXECUTABLE_SUFFIX_CXX ".efi")
set(CMAKE_CXX_LINK_EXECUTABLE "${SOC_LLD_LINK} /nologo <LINK_FLAGS> <OBJECTS> /out:<TARGET> <LINK_LIBRARIES>")
