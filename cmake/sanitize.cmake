# The host build once more with AddressSanitizer and UndefinedBehaviorSanitizer, so
# the unit and integration suites also catch leaks, overflows and undefined
# behaviour. Every target, the stand-in programs the tests start included, carries
# the same flags; the first finding stops the program instead of scrolling past.
option(QUILLMAR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer (host only)" OFF)
if(QUILLMAR_SANITIZE)
  if(QUILLMAR_WINDOWS)
    message(FATAL_ERROR "QUILLMAR_SANITIZE is for the host build; MinGW-w64 has no sanitizer runtime")
  endif()
  set(quillmar_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${quillmar_sanitize_flags})
  add_link_options(${quillmar_sanitize_flags})
  # GCC 12 sees the sanitizers' extra branches inside libstdc++'s std::regex and
  # std::function and warns that members "may be used uninitialized"; the plain
  # build keeps the warning.
  add_compile_options(-Wno-maybe-uninitialized)
endif()
