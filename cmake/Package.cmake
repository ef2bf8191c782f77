# The Linux package and `cmake --install`: fdhost with the plug-in, the emulator and the
# stand-ins, fddisk and fdconf, their help texts, the example scenarios and the README.
# Programs and libraries share one folder, as in the build (the module loader finds "X.dll"
# as "libX.so" beside the emulator library, and the programs find the libraries by $ORIGIN);
# the programs are linked into bin/.
include(GNUInstallDirs)
set(FD_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/devicefaultdetect)
set(FD_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/devicefaultdetect)

set(FD_PROGRAMS fdhost fdconf)
if(FD_LINUX_DISKS)
  list(APPEND FD_PROGRAMS fddisk)
endif()
install(TARGETS ${FD_PROGRAMS} fdemu DeviceFaultDetectPlugin PluginsManager RtkBTReset
  TactraHidAPI RUNTIME DESTINATION ${FD_INSTALL_DIR} LIBRARY DESTINATION ${FD_INSTALL_DIR})
install(DIRECTORY scenarios/ DESTINATION ${FD_DOC_DIR}/scenarios)
install(FILES README.md SECURITY.md DESTINATION ${FD_DOC_DIR})

# The links in bin/ and each program's --help, written by the installed program itself.
foreach(program ${FD_PROGRAMS})
  install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\" \"\${root}/${FD_DOC_DIR}\")
    file(CREATE_LINK ../${FD_INSTALL_DIR}/${program} \"\${root}/${CMAKE_INSTALL_BINDIR}/${program}\"
      SYMBOLIC)
    execute_process(COMMAND \"\${root}/${FD_INSTALL_DIR}/${program}\" --help
      OUTPUT_FILE \"\${root}/${FD_DOC_DIR}/${program}-help.txt\" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"${program} --help failed: \${status}\")
    endif()")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME devicefaultdetect)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "The device-fault plug-in of a laptop-management service, run on virtual laptops (fdhost), its disk reader on this machine's disks (fddisk) and its switch-file tool (fdconf)")
set(CPACK_PACKAGE_CONTACT "DeviceFaultDetect developers <devicefaultdetect@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the libraries' packages, found by dpkg-shlibdeps
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# The package's own libraries are found by $ORIGIN, not by the system's library path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
include(CPack)
