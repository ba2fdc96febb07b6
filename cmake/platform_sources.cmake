# Which sources each platform builds. Files named win32_*.cpp use the Windows
# API and are built for Windows only. The files listed here use POSIX or Linux
# interfaces (hidraw, udev, file modes, /proc) and are left out of the Windows
# build, which has win32_ counterparts for those it needs.
set(BRISVEL_POSIX_ONLY_SOURCES
  src/hid/hidraw_backend.cpp
  src/hid/access_doctor.cpp
  src/settings/data_folder.cpp
  src/settings/file_safety.cpp
  src/cli/cli_platform.cpp
  src/cli/doctor_command.cpp
  tests/settings/data_folder_test.cpp
  tests/settings/file_safety_test.cpp
  tests/device/hidraw_channel_test.cpp
  tests/device/doctor_test.cpp
  tests/cli/doctor_cli_test.cpp
  tests/cli/data_safety_cli_test.cpp
)

function(brisvel_platform_filter var)
  set(_files ${${var}})
  if(WIN32)
    foreach(_f ${BRISVEL_POSIX_ONLY_SOURCES})
      list(REMOVE_ITEM _files ${PROJECT_SOURCE_DIR}/${_f})
    endforeach()
  else()
    list(FILTER _files EXCLUDE REGEX "/win32_[^/]*\\.cpp$")
  endif()
  set(${var} ${_files} PARENT_SCOPE)
endfunction()
