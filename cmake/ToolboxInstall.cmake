# Installs the headers, both libraries, the engine, a CMake package (find_package(toolbox)
# gives toolbox::toolbox, which brings toolbox::rtengine along) and toolbox.pc.
include(CMakePackageConfigHelpers)

install(TARGETS rtengine toolbox toolbox_shared EXPORT toolboxTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES toolbox/include/toolbox.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY platform/rtengine/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/rtengine
        FILES_MATCHING PATTERN "*.h")
install(EXPORT toolboxTargets NAMESPACE toolbox::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)

configure_package_config_file(cmake/toolboxConfig.cmake.in
  ${CMAKE_BINARY_DIR}/toolboxConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/toolboxConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/toolboxConfig.cmake ${CMAKE_BINARY_DIR}/toolboxConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)

if(WIN32)
  set(TOOLBOX_PC_SYSTEM_LIBS "-ladvapi32 -luser32 -lshell32")
else()
  set(TOOLBOX_PC_SYSTEM_LIBS "")
endif()
# The .pc file finds its prefix from where it lies, so an installed tree can move.
file(RELATIVE_PATH TOOLBOX_PC_TO_PREFIX
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TOOLBOX_PC_TO_PREFIX "${TOOLBOX_PC_TO_PREFIX}")
configure_file(cmake/toolbox.pc.in ${CMAKE_BINARY_DIR}/toolbox.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/toolbox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
