# One switch for every platform-dependent choice: CMake lists each platform's files
# with a plain if(QUILLMAR_WINDOWS), and the sources never test _WIN32 themselves.
if(WIN32)
  set(QUILLMAR_WINDOWS ON)
  set(QUILLMAR_PLATFORM_SUFFIX win)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  include(${CMAKE_CURRENT_LIST_DIR}/delay_import.cmake)
  # Every user downloads the Windows executable, so its release build is made for
  # size: size-optimised code, each function and object in its own section, and the
  # sections nothing refers to dropped at link time.
  string(REPLACE "-O3" "-Os" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
  string(REPLACE "-O3" "-Os" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # Anyone can check a shipped executable by building the same commit with the same
  # vendor values, so the build must give the same bytes wherever and whenever it
  # runs. The linker stamps the PE header with the link time (and the checksum
  # follows it) unless told not to; the folders of the source and the build reach
  # the code through __FILE__ and friends, so they are written as fixed names.
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=source>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
else()
  set(QUILLMAR_WINDOWS OFF)
  set(QUILLMAR_PLATFORM_SUFFIX posix)
endif()

# Lists NAME_posix.cpp or NAME_win.cpp for each NAME given, into OUT.
function(quillmar_platform_sources out)
  set(files)
  foreach(name IN LISTS ARGN)
    list(APPEND files ${name}_${QUILLMAR_PLATFORM_SUFFIX}.cpp)
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# GTK 3 on the host: the window, the fatal message dialog and the stand-in
# application's window.
if(NOT QUILLMAR_WINDOWS)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET GLOBAL gtk+-3.0)
endif()
