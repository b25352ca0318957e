# Windows looks for a DLL that an executable imports in the executable's own folder
# first, unless the DLL is one of the KnownDLLs it always takes from the system
# folder. A user runs the installer from their Downloads folder, where a planted
# winhttp.dll would then be loaded before the program's first line runs. So every
# system DLL outside the KnownDLLs is delay-loaded: loaded on its first call, after
# start-up has restricted the search to the system folder (src/main/delay_load_win.cpp
# makes that explicit for each of them).
#
# quillmar_delay_import(NAME) makes the target quillmar_delay_NAME, to link in place
# of NAME. lld builds the delay-load table itself, but only from an import library
# in the short form LLVM's dlltool writes; MinGW-w64's own import library of NAME,
# which lists every function the DLL exports, gives the names at configure time.
find_program(QUILLMAR_NM NAMES x86_64-w64-mingw32-nm REQUIRED)
find_program(QUILLMAR_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)

function(quillmar_delay_import name)
  find_library(import_library_${name} NAMES ${name} REQUIRED)
  set(folder ${CMAKE_BINARY_DIR}/delay-import)
  set(definitions ${folder}/${name}.def)
  set(library ${folder}/lib${name}_delay.a)
  if(NOT EXISTS ${library} OR ${import_library_${name}} IS_NEWER_THAN ${library})
    file(MAKE_DIRECTORY ${folder})
    execute_process(COMMAND ${QUILLMAR_NM} ${import_library_${name}} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL " I __imp_[A-Za-z0-9_]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE " I __imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    file(WRITE ${definitions} "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${QUILLMAR_LLVM_DLLTOOL} -m i386:x86-64 -d ${definitions} -l ${library}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  add_library(quillmar_delay_${name} INTERFACE)
  target_link_libraries(quillmar_delay_${name} INTERFACE ${library})
  target_link_options(quillmar_delay_${name} INTERFACE -Wl,--delayload=${name}.dll)
endfunction()

foreach(name bcrypt crypt32 winhttp wintrust)
  quillmar_delay_import(${name})
endforeach()
