# One link per image, with DWARF and a CodeView debug entry: it writes NAME.debug, the symbol
# file. The shipped NAME.efi is that file without its DWARF sections and symbol table, so
# code, data and the debug entry are the same bytes in both. Linked at ImageBase 0, as EDK2
# links its own images: the DXE core then relocates without first trying that address.
#
# The CodeView entry names the symbol file by a relative path (PDB_NAME, default NAME.debug):
# a DEBUG DXE core logs it as NAME.efi, and EDK2's efi_gdb.py loads it from the folder gdb
# runs in. The PDB that lld writes to fill that entry is a by-product nobody ships; with
# relative paths and /pdbsourcepath it, and therefore the image, is the same in any build
# folder.
find_program(SOC_LLVM_OBJCOPY NAMES llvm-objcopy-14 llvm-objcopy REQUIRED)

# Objects carry DWARF whose paths are relative to the source tree; gdb finds the sources
# with "directory <source tree>".
add_compile_options(-g -gdwarf-4 -mllvm -dwarf-linkage-names=Abstract -fdebug-compilation-dir=.
                    -fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.)

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
    "/subsystem:${subsystem} /entry:${entry} /nodefaultlib /Brepro /base:0 /filealign:32 /opt:ref /opt:icf \
/debug /pdb:${dir}CMakeFiles/${name}.pdb /pdbaltpath:${arg_PDB_NAME} /pdbsourcepath:/socdxe /map:${dir}${name}.map")
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi
                     COMMAND ${SOC_LLVM_OBJCOPY} --strip-all $<TARGET_FILE:${name}_link> ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi
                     DEPENDS ${name}_link
                     COMMENT "Stripping ${name}.efi")
  add_custom_target(${name} ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi)
endfunction()
