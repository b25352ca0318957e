# lld 14 leaves the PE checksum of what it links 0, while a tool that takes an
# Authenticode signature off writes the real checksum back: the unsigned bytes of a
# shipped installer would then no longer match a fresh build of the same commit.
# quillmar-pe-checksum writes the checksum after the link. It runs on the build
# machine, so the machine's own compiler builds it, not the cross compiler.
find_program(QUILLMAR_HOST_CXX NAMES c++ g++ REQUIRED)
set(QUILLMAR_PE_CHECKSUM ${CMAKE_BINARY_DIR}/host-tools/quillmar-pe-checksum)
set(source ${PROJECT_SOURCE_DIR}/tools/pe-checksum/pe_checksum.cpp)
add_custom_command(OUTPUT ${QUILLMAR_PE_CHECKSUM}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
                   COMMAND ${QUILLMAR_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -o ${QUILLMAR_PE_CHECKSUM} ${source}
                   DEPENDS ${source}
                   COMMENT "Building the PE checksum writer for this machine"
                   VERBATIM)
add_custom_target(quillmar-pe-checksum DEPENDS ${QUILLMAR_PE_CHECKSUM})
