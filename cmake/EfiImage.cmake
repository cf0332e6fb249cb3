# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
# One link per image, with DWARF and a CodeView debug entry: it writes NAME.debug, the symbol
# file. The shipped NAME.efi is that file without its DWARF sections and symbol table, and
# with its headers compacted (tools/fwpack.py compact), so code, data and the debug entry
# are the same bytes in both, at the same RVAs. Linked at ImageBase 0, as EDK2
# links its own images: the DXE core then relocates without first trying that address.
#
# The CodeView entry names the symbol file by a relative path (PDB_NAME, default NAME.debug):
# a DEBUG DXE core logs it as NAME.efi, and EDK2's efi_gdb.py loads it from the folder gdb
# runs in. The PDB that lld writes to fill that entry is a by-product nobody ships; with
# relative paths and /pdbsourcepath it, and therefore the image, is the same in any build
# folder.
find_program(SOC_LLVM_OBJCOPY NAMES llvm-objcopy-14 llvm-objcopy REQUIRED)
# The packager and the library it shares with the other tools: what the image steps depend on.
file(GLOB SOC_FWPACK CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/fwpack.py ${CMAKE_SOURCE_DIR}/tools/socdxe/*.py)

# Objects carry DWARF whose paths are relative to the source tree; gdb finds the sources
# with "directory <source tree>".
add_compile_options(-g -gdwarf-4 -mllvm -dwarf-linkage-names=Abstract -fdebug-compilation-dir=.
                    -fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.)

# What makes the images small: the driver optimised for size as one unit (LTO at -Oz, with
# the inliner a little bolder than -Oz's default, which the size report showed to pay), a
# zero timestamp instead of /Brepro's hash (reproducible without the extra debug entry
# /Brepro adds; the CodeView GUID is a hash of the symbol file either way).
set(SOC_IMAGE_COMPILE_OPTIONS -Oz -flto CACHE STRING "Compile options of the image objects")
set(SOC_IMAGE_LINK_OPTIONS /opt:ref /opt:icf /timestamp:0 /mllvm:-inline-threshold=25
    CACHE STRING "lld-link options of the images")

# An option the compiler or linker does not take would fail at build time, or, for one the
# tool ignores with a warning, quietly make another image: refuse it here, by name. Each
# option is tried alone on a probe: LIST names the options, the rest is the command, with
# OPTION where the option goes.
function(soc_refuse_unknown_options list tool)
  foreach(option IN LISTS ${list})
    string(REPLACE OPTION "${option}" command "${ARGN}")
    execute_process(COMMAND ${tool} ${command} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/CMakeFiles/SocImageOptions
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
      get_filename_component(name ${tool} NAME)
      message(FATAL_ERROR "${list}: ${name} does not take '${option}':\n${out}")
    endif()
  endforeach()
endfunction()
function(soc_check_image_options)
  file(WRITE ${CMAKE_BINARY_DIR}/CMakeFiles/SocImageOptions/probe.cpp
       "extern \"C\" unsigned long long Probe(void *, void *) { return 0; }\n")
  separate_arguments(base NATIVE_COMMAND "${CMAKE_CXX_FLAGS}")
  soc_refuse_unknown_options(SOC_IMAGE_COMPILE_OPTIONS ${CMAKE_CXX_COMPILER} ${base} -Werror OPTION -c probe.cpp
                             -o probe.obj)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${base} ${SOC_IMAGE_COMPILE_OPTIONS} -c probe.cpp -o probe.obj
                  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/CMakeFiles/SocImageOptions)
  soc_refuse_unknown_options(SOC_IMAGE_LINK_OPTIONS ${SOC_LLD_LINK} /nologo /entry:Probe
                             /subsystem:efi_boot_service_driver /nodefaultlib OPTION probe.obj /out:probe.efi)
endfunction()
soc_check_image_options()
add_compile_options(${SOC_IMAGE_COMPILE_OPTIONS})
string(REPLACE ";" " " SOC_IMAGE_LINK_FLAGS "${SOC_IMAGE_LINK_OPTIONS}")
# The release's version, from its one place, into the PE header's image version fields.
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION SOC_VERSION LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

function(soc_efi_image name subsystem entry)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "PDB_NAME" "SOURCES")
  if(NOT arg_PDB_NAME)
    set(arg_PDB_NAME ${name}.debug)
  endif()
  file(RELATIVE_PATH dir ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  if(dir)
    set(dir "${dir}/")
  endif()
  add_executable(${name}_link ${arg_SOURCES})
  set_target_properties(${name}_link PROPERTIES OUTPUT_NAME ${name} SUFFIX .debug LINK_FLAGS
    "/subsystem:${subsystem} /entry:${entry} /nodefaultlib /base:0 /filealign:32 /version:${SOC_VERSION} ${SOC_IMAGE_LINK_FLAGS} \
/debug /mllvm:-dwarf-linkage-names=Abstract /pdb:${dir}CMakeFiles/${name}.pdb /pdbaltpath:${arg_PDB_NAME} /pdbsourcepath:/socdxe /map:${dir}${name}.map")
  set(stripped ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${name}.stripped)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi
                     COMMAND ${SOC_LLVM_OBJCOPY} --strip-all $<TARGET_FILE:${name}_link> ${stripped}
                     COMMAND ${Python3_EXECUTABLE} -B ${CMAKE_SOURCE_DIR}/tools/fwpack.py compact
                             --out ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi ${stripped}
                     DEPENDS ${name}_link ${SOC_FWPACK}
                     COMMENT "Stripping ${name}.efi")
  add_custom_target(${name} ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi)
endfunction()
