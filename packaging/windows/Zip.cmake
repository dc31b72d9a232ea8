# Run by cpack once the ZIP generator has made the zip (CPACK_POST_BUILD_SCRIPTS):
# the zip is made again with Info-ZIP, with the same members in sorted order
# and nothing of the machine that made it. CPack's own zip lists them in the
# order the file system gives, records the user and group ids of whoever
# ran it and dates them in the local time zone.

if(NOT CPACK_GENERATOR STREQUAL "ZIP")
  return()
endif()
if(NOT CPACK_VANTREL_ZIP)
  message(WARNING "no zip command: the zip holds what CPack made, which another machine "
                  "would not make byte for byte")
  return()
endif()

# The members: the package's top folder and its files, no folder entries
# (-D), no owners or extra dates (-X), the one date in UTC.
file(GLOB_RECURSE members LIST_DIRECTORIES false RELATIVE "${CPACK_TOPLEVEL_DIRECTORY}"
     "${CPACK_TEMPORARY_DIRECTORY}/*")
list(SORT members)
list(JOIN members "\n" listing)
set(listing_file "${CPACK_TOPLEVEL_DIRECTORY}/zip-members.txt")
file(WRITE "${listing_file}" "${listing}\n")
if(DEFINED ENV{TZ})
  set(zone "$ENV{TZ}")
endif()
set(ENV{TZ} UTC0)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(REMOVE "${package}")
  execute_process(COMMAND "${CPACK_VANTREL_ZIP}" -X -D -9 -q "${package}" -@
                  INPUT_FILE "${listing_file}" WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(DEFINED zone)
  set(ENV{TZ} "${zone}")
else()
  unset(ENV{TZ})
endif()
