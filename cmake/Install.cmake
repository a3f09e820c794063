# Installation of seasky: the programs, their data, the manual page, the desktop
# entry and icon, a Debian package (CPack), the install test, and the option of
# a statically linked seasky command.
#
# Layout under the prefix P (/usr/local by default, /usr in the .deb):
#   P/bin/seasky, seasky-gui, seasky-chart
#   P/share/seasky/profiles/*.txt, README.md    the standard atmospheres
#   P/share/seasky/sensors/*.json, README.md    the sensor presets
#   P/share/man/man1/seasky.1
#   P/share/applications/seasky.desktop
#   P/share/icons/hicolor/scalable/apps/seasky.svg
#   P/share/doc/seasky/README.md
#   P/<SEASKY_PYTHON_INSTALL_DIR>/seasky         the Python package
# The programs find the data as ../share/seasky relative to their own folder
# (src/app/data_paths.h), so the prefix can be moved as a whole. The build tree
# holds the same share/seasky beside its programs, so the same rule finds the
# data there.

include(GNUInstallDirs)

set(SEASKY_SHARE_BUILD_DIR ${PROJECT_BINARY_DIR}/share)

# ---- the data in the build tree: <build>/share/seasky/{profiles,sensors} ----
file(GLOB SEASKY_PROFILE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/profiles/*.txt)
file(GLOB SEASKY_SENSOR_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/sensors/*.json)
list(APPEND SEASKY_PROFILE_FILES ${PROJECT_SOURCE_DIR}/data/profiles/README.md)
list(APPEND SEASKY_SENSOR_FILES ${PROJECT_SOURCE_DIR}/data/sensors/README.md)
set(SEASKY_DATA_STAMP ${SEASKY_SHARE_BUILD_DIR}/seasky/.copied)
add_custom_command(OUTPUT ${SEASKY_DATA_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SEASKY_SHARE_BUILD_DIR}/seasky/profiles
          ${SEASKY_SHARE_BUILD_DIR}/seasky/sensors
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SEASKY_PROFILE_FILES} ${SEASKY_SHARE_BUILD_DIR}/seasky/profiles/
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SEASKY_SENSOR_FILES} ${SEASKY_SHARE_BUILD_DIR}/seasky/sensors/
  COMMAND ${CMAKE_COMMAND} -E touch ${SEASKY_DATA_STAMP}
  DEPENDS ${SEASKY_PROFILE_FILES} ${SEASKY_SENSOR_FILES}
  COMMENT "Copying the standard atmospheres and sensor presets to share/seasky"
  VERBATIM)
add_custom_target(seasky_data ALL DEPENDS ${SEASKY_DATA_STAMP})
foreach(program seasky seasky-gui seasky-chart test_app test_gui)
  if(TARGET ${program})
    add_dependencies(${program} seasky_data)
  endif()
endforeach()

install(FILES ${SEASKY_PROFILE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/seasky/profiles)
install(FILES ${SEASKY_SENSOR_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/seasky/sensors)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ---- the manual page, written from the command's own option tables ----
add_executable(seasky_man ${PROJECT_SOURCE_DIR}/tools/man_page.cpp)
target_link_libraries(seasky_man PRIVATE seasky_cli_lib)
set(SEASKY_MAN_PAGE ${SEASKY_SHARE_BUILD_DIR}/man/man1/seasky.1)
add_custom_command(OUTPUT ${SEASKY_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SEASKY_SHARE_BUILD_DIR}/man/man1
  # The generator is leak-free; the variable only keeps a sanitizer build's
  # leak checker from failing the build over the C++ runtime's own allocations.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:seasky_man> ${SEASKY_MAN_PAGE} ${PROJECT_VERSION}
  DEPENDS seasky_man
  COMMENT "Writing the manual page seasky.1"
  VERBATIM)
add_custom_target(seasky_man_page ALL DEPENDS ${SEASKY_MAN_PAGE})
install(FILES ${SEASKY_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---- the desktop entry and the icon of the window ----
if(TARGET seasky-gui)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/seasky.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/seasky.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# ---- a statically linked seasky command ----
# The C++ and GCC runtimes are linked in. glibc (libc, libm, libmvec and the
# dynamic loader) stays shared: a program that opens shared libraries (NetCDF,
# with dlopen, when a command first reads or writes a NetCDF file) cannot link
# it statically.
option(SEASKY_STATIC_CLI "Link the seasky command with the C++ and GCC runtimes built in" OFF)
if(SEASKY_STATIC_CLI)
  if(SEASKY_SANITIZE)
    message(FATAL_ERROR "SEASKY_STATIC_CLI cannot be combined with SEASKY_SANITIZE")
  endif()
  target_link_options(seasky PRIVATE -static-libstdc++ -static-libgcc LINKER:--as-needed)
endif()

# ---- the Debian package: scripts/package runs cpack on a release tree ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME seasky)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "seasky")
set(CPACK_PACKAGE_CONTACT "seasky developers <seasky@localhost>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "seasky developers <seasky@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "microwave brightness temperatures of the ocean-atmosphere system")
set(CPACK_PACKAGE_DESCRIPTION
    "seasky computes the top-of-atmosphere brightness temperatures a satellite
microwave radiometer sees over the sea (6.75-89 GHz, V, H, +45, -45 and
circular polarisation), with the sea-water permittivity of Meissner and Wentz,
a wind-roughened sea surface and Rosenkranz clear-air absorption. It has a
command line (seasky), a window (seasky-gui), sensor presets, batch runs over
NetCDF and CSV scenes, and a Python module.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs open libnetcdf with dlopen (src/batch/netcdf_library.h), which
# dpkg-shlibdeps cannot see: its package is named here.
set(seasky_package_depends ${SEASKY_NETCDF_PACKAGE})
# The programs and the module without their symbol tables (the build has no
# debugging information to split off).
set(CPACK_STRIP_FILES ON)
if(TARGET _seasky)
  # The module is built for this interpreter's version; simulate and the plots
  # use xarray, dask and matplotlib when they are there.
  math(EXPR seasky_python_next_minor "${Python_VERSION_MINOR} + 1")
  list(APPEND seasky_package_depends
       "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR})"
       "python3 (<< ${Python_VERSION_MAJOR}.${seasky_python_next_minor})" python3-numpy)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-xarray, python3-dask, python3-distributed, python3-matplotlib")
endif()
list(JOIN seasky_package_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# ecCodes, opened with dlopen as well (src/batch/eccodes_library.h), only for
# GRIB input: recommended, not required.
set(seasky_package_recommends ${SEASKY_ECCODES_PACKAGE})
if(TARGET seasky-gui)
  # The window's Tahoma face, when the system has no Tahoma of its own.
  list(APPEND seasky_package_recommends fonts-wine)
endif()
list(JOIN seasky_package_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
include(CPack)

# ---- the install test: a temporary prefix, moved, its programs run ----
if(SEASKY_TESTS)
  if(DEFINED Python_EXECUTABLE)
    set(seasky_install_test_python ${Python_EXECUTABLE})
  else()
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    set(seasky_install_test_python ${Python3_EXECUTABLE})
  endif()
  set(seasky_install_test_args
    --build ${PROJECT_BINARY_DIR}
    --seasky $<TARGET_FILE:seasky>
    --profiles ${PROJECT_SOURCE_DIR}/data/profiles
    --sensors ${PROJECT_SOURCE_DIR}/data/sensors)
  if(TARGET seasky-gui)
    list(APPEND seasky_install_test_args --gui)
  endif()
  if(TARGET seasky-chart)
    list(APPEND seasky_install_test_args --chart)
  endif()
  if(TARGET _seasky)
    list(APPEND seasky_install_test_args --python-dir ${SEASKY_PYTHON_INSTALL_DIR})
  endif()
  set(seasky_install_test_environment "QT_QPA_PLATFORM=offscreen")
  if(SEASKY_SANITIZE)
    # The sanitizer's runtime first, for the module under an interpreter built
    # without it (as in tests/python); the window's Qt allocations at exit are
    # not leaks of ours.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                    OUTPUT_VARIABLE seasky_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++.so
                    OUTPUT_VARIABLE seasky_cxx_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    list(APPEND seasky_install_test_args --preload "${seasky_asan_runtime} ${seasky_cxx_runtime}")
  endif()
  add_test(NAME install.relocatable
           COMMAND ${seasky_install_test_python} ${PROJECT_SOURCE_DIR}/tests/install/check_install.py
                   ${seasky_install_test_args})
  set_tests_properties(install.relocatable PROPERTIES
    ENVIRONMENT "${seasky_install_test_environment}"
    TIMEOUT 120)
endif()
