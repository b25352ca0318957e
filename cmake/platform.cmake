# One switch for every platform-dependent choice: CMake lists each platform's files
# with a plain if(QUILLMAR_WINDOWS), and the sources never test _WIN32 themselves.
if(WIN32)
  set(QUILLMAR_WINDOWS ON)
  set(QUILLMAR_PLATFORM_SUFFIX win)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  # The system's own text for file names (src/system/path.h): UTF-16.
  add_compile_definitions(QUILLMAR_PATH_CHAR=wchar_t)
  include(${CMAKE_CURRENT_LIST_DIR}/delay_import.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/pe_checksum.cmake)
  # Every user downloads the Windows executable, so its release build is made for
  # size: size-optimised code, each function and object in its own section, and the
  # sections nothing refers to dropped at link time.
  string(REPLACE "-O3" "-Os" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
  string(REPLACE "-O3" "-Os" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # Executables are linked by LLVM's lld, driven by clang, over the same MinGW-w64
  # and GCC libraries. GNU ld keeps every .pdata/.xdata section, and each of those
  # refers to its function, so --gc-sections could drop no function at all; lld
  # ties the two to their function and drops the three together. GCC names its
  # linker when it is built, so it cannot be asked for lld itself; -lpthread is what
  # GCC's posix thread model would have added.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
                  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  get_filename_component(gcc_libraries "${libgcc}" DIRECTORY)
  find_program(QUILLMAR_CLANG NAMES clang++ REQUIRED)
  find_program(QUILLMAR_LLD NAMES ld.lld REQUIRED)
  set(link "${QUILLMAR_CLANG} --target=x86_64-w64-mingw32 -fuse-ld=lld -L${gcc_libraries} <LINK_FLAGS>")
  set(CMAKE_CXX_LINK_EXECUTABLE "${link} <CMAKE_CXX_LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES> -lpthread")
  set(CMAKE_CXX_CREATE_SHARED_LIBRARY
      "${link} -shared <OBJECTS> -o <TARGET> -Wl,--out-implib,<TARGET_IMPLIB> <LINK_LIBRARIES> -lpthread")
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
  add_compile_definitions(QUILLMAR_PATH_CHAR=char)
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
