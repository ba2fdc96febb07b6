# Windows builds: the system libraries and definitions of the HID layer, and
# where the libraries come from.
#
# Built on Windows itself (docs/windows.md), the libraries come from the
# package manager there and are found as on Linux. Cross-built on Debian with
# MinGW-w64 (cmake/mingw-w64-x86_64.cmake, scripts/test --windows), the build
# covers the core, settings, HID, device and editing layers, brisvelctl and
# their tests; the windows need Qt, which Debian does not ship for MinGW.
# Debian ships none of the other libraries for MinGW either, so they come from
# what it installs for the host: the header-only CLI11 and SimpleIni are
# copied out of /usr/include (which itself never goes on the cross compiler's
# path, where glibc's headers would shadow MinGW's), GoogleTest is built from
# the googletest package's sources, and pugixml and NLopt from their Debian
# source packages, which scripts/test --windows unpacks (and, for NLopt,
# builds and installs into a prefix of the build folder).
if(CMAKE_CROSSCOMPILING)
  set(BRISVEL_GUI OFF CACHE BOOL "" FORCE)
  set(BRISVEL_BENCH OFF CACHE BOOL "" FORCE)

  set(_brisvel_deps ${CMAKE_BINARY_DIR}/deps/include)
  foreach(_header /usr/include/CLI /usr/include/SimpleIni.h)
    if(NOT EXISTS ${_header})
      message(FATAL_ERROR "${_header} is missing: install libcli11-dev and libsimpleini-dev (scripts/setup)")
    endif()
    file(COPY ${_header} DESTINATION ${_brisvel_deps})
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_brisvel_deps})
  set(SIMPLEINI_INCLUDE_DIR ${_brisvel_deps})

  set(BRISVEL_PUGIXML_SOURCE_DIR "" CACHE PATH "pugixml's source tree, from its Debian source package")
  if(NOT EXISTS "${BRISVEL_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
    message(FATAL_ERROR "BRISVEL_PUGIXML_SOURCE_DIR must name pugixml's source tree (scripts/test --windows unpacks it)")
  endif()
  add_library(brisvel_pugixml STATIC ${BRISVEL_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
  target_include_directories(brisvel_pugixml SYSTEM PUBLIC ${BRISVEL_PUGIXML_SOURCE_DIR}/src)
  add_library(pugixml::pugixml ALIAS brisvel_pugixml)

  # NLopt, as scripts/test --windows installs it: found through the prefix's
  # own nlopt.pc, with the host's pkg-config files out of sight. The prefix
  # joins the target's roots, so the library found there is taken as it is.
  set(BRISVEL_NLOPT_PREFIX ${CMAKE_BINARY_DIR}/deps/nlopt CACHE PATH "NLopt built for MinGW from its Debian source package")
  if(NOT EXISTS "${BRISVEL_NLOPT_PREFIX}/lib/pkgconfig/nlopt.pc")
    message(FATAL_ERROR "BRISVEL_NLOPT_PREFIX must name NLopt's MinGW install prefix (scripts/test --windows builds it)")
  endif()
  find_package(PkgConfig REQUIRED)
  set(ENV{PKG_CONFIG_LIBDIR} ${BRISVEL_NLOPT_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  list(APPEND CMAKE_FIND_ROOT_PATH ${BRISVEL_NLOPT_PREFIX})
  pkg_check_modules(NLOPT REQUIRED IMPORTED_TARGET nlopt)

  set(BRISVEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian's googletest package)")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${BRISVEL_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(pugixml REQUIRED)
  find_package(CLI11 REQUIRED)
  find_package(GTest REQUIRED)
  find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(NLOPT REQUIRED IMPORTED_TARGET nlopt)
  if(BRISVEL_GUI)
    find_package(spdlog REQUIRED)
  endif()
endif()

# The HID layer's system libraries: HID class and SetupAPI; notifications
# need the window manager's user32, which every executable links anyway.
set(BRISVEL_HID_SYSTEM_LIBS hid setupapi)

# The Windows 10 API level, and the wide-character (W) functions throughout.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The printf-style formats are checked by the Linux build; MinGW's checker
# takes them for the Microsoft runtime's, which this build does not use
# (its C++ library selects the standard-conforming printf).
add_compile_options(-Wno-format)
