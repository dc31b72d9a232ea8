# Builds that anyone can repeat byte for byte: nothing of the folder the
# sources sit in or of the moment of the build goes into a release.
#
# - Optimised builds name source files relative to the source and build
#   folders (__FILE__, assertion texts). Debug builds keep the full paths
#   that debuggers and sanitizer reports want.
# - MinGW's linker writes no time into the executable's header (it would
#   otherwise stamp the time of the link).
#
# The packages take their file dates from SOURCE_DATE_EPOCH (see
# packaging/Reproducible.cmake).

if(CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
  # GCC looks the maps up last first: the build folder, which may sit inside
  # the source folder, before the source folder.
  add_compile_options(
    "$<$<CONFIG:Release,MinSizeRel>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
    "$<$<CONFIG:Release,MinSizeRel>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
endif()
if(MINGW)
  add_link_options(LINKER:--no-insert-timestamp)
endif()
