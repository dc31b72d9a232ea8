# Warnings for the project's own targets only; third-party headers are pulled in as SYSTEM.
function(vantrel_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<CXX_COMPILER_ID:GNU,Clang>:
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual
      -Wformat=2 -Wimplicit-fallthrough -Wundef>
    $<$<CXX_COMPILER_ID:MSVC>:/W4 /permissive->
    $<$<AND:$<BOOL:${VANTREL_WERROR}>,$<CXX_COMPILER_ID:GNU,Clang>>:-Werror>
    $<$<AND:$<BOOL:${VANTREL_WERROR}>,$<CXX_COMPILER_ID:MSVC>>:/WX>)
endfunction()
