# Read by cpack before it makes each package (CPACK_PROJECT_CONFIG_FILE):
# the date every file in the packages carries, so that packages made from
# the same sources hold the same bytes wherever and whenever they are made.
# It is SOURCE_DATE_EPOCH as the environment gives it, else the date of the
# sources' last commit, else (sources outside git) the release's date. The
# Debian package generator reads it from the environment; the Windows
# downloads from CPACK_VANTREL_EPOCH (windows/Staging.cmake).

if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "")
  # Only the sources' own checkout: not a repository they were copied into.
  if(EXISTS "${CPACK_VANTREL_SOURCE_DIR}/.git")
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY "${CPACK_VANTREL_SOURCE_DIR}"
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch ${CPACK_VANTREL_RELEASE_EPOCH})
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
set(CPACK_VANTREL_EPOCH $ENV{SOURCE_DATE_EPOCH})
