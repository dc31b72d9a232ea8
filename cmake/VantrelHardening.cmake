# Hardening as Debian builds its packages: position-independent executables,
# a stack protector, checked string and memory functions (_FORTIFY_SOURCE,
# which needs optimisation, so only in optimised builds), and relocations
# made read-only and bound at start (full RELRO, bind-now).
#
# For GCC and Clang producing ELF only; MSVC and the MinGW cross build keep
# their toolchains' defaults. Applies to every target, tests included. The
# sanitizer presets switch it off: the sanitizers check more, and fortified
# calls would slip past their interceptors.
option(VANTREL_HARDENING "PIE, stack protector, _FORTIFY_SOURCE=2, full RELRO (GCC and Clang on ELF)"
       ON)

if(VANTREL_HARDENING AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$"
   AND CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong)
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro,-z,now)
endif()
