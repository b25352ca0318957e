# nlohmann/json and Howard Hinnant's date are header-only Debian packages under
# /usr/include. The cross compiler must not see the rest of /usr/include (glibc's
# headers would shadow MinGW's), so both builds reach them through a folder that
# holds only links to those two.
set(QUILLMAR_HEADER_LINKS ${CMAKE_BINARY_DIR}/header-libraries)
file(MAKE_DIRECTORY ${QUILLMAR_HEADER_LINKS})
foreach(dir nlohmann date)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run tools/setup first")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${QUILLMAR_HEADER_LINKS}/${dir} SYMBOLIC)
endforeach()

add_library(quillmar_header_libraries INTERFACE)
target_include_directories(quillmar_header_libraries SYSTEM INTERFACE ${QUILLMAR_HEADER_LINKS})
