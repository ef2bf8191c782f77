# The window toolkit's layouts compiled in as text: fd_embed_layouts(EMULATOR_DIR OUTPUT_FILE)
# writes a source file that holds every layout of EMU_LAYOUTS (emulator/Sources.cmake). CMake
# runs again when a layout changes.
function(fd_embed_layouts emulator_dir output)
  set(LAYOUT_ENTRIES "")
  foreach(layout ${EMU_LAYOUTS})
    file(READ ${emulator_dir}/${layout} text)
    string(APPEND LAYOUT_ENTRIES "      {\"${layout}\", R\"layout(${text})layout\"},\n")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${emulator_dir}/${layout})
  endforeach()
  configure_file(${emulator_dir}/host/toolkit/EmbeddedLayouts.cpp.in ${output} @ONLY)
endfunction()
