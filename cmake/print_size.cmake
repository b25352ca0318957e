# Prints the size of FILE, in bytes and MiB: a figure for whoever builds, not a check.
# Usage: cmake -DFILE=path -P print_size.cmake
file(SIZE "${FILE}" bytes)
math(EXPR hundredths "(${bytes} * 100 + 524288) / 1048576")
math(EXPR whole "${hundredths} / 100")
math(EXPR fraction "${hundredths} % 100")
if(fraction LESS 10)
  set(fraction "0${fraction}")
endif()
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name}: ${bytes} bytes (${whole}.${fraction} MiB)")
