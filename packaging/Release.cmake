# The release: its version is the project's, its date that of the top entry
# of the Debian changelog (linux/changelog), where each release is written
# down once. Sets VANTREL_RELEASE_DATE (YYYY-MM-DD) and VANTREL_RELEASE_EPOCH
# (that day's UTC midnight in seconds since 1970, for SOURCE_DATE_EPOCH).

file(READ ${CMAKE_CURRENT_LIST_DIR}/linux/changelog changelog)
if(NOT changelog MATCHES "^vantrel \\(([^)]+)\\)")
  message(FATAL_ERROR "linux/changelog does not start with an entry for vantrel")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "linux/changelog's top entry is for ${CMAKE_MATCH_1}, the project is "
                      "${PROJECT_VERSION}: add an entry for the new version")
endif()
# The trailer: " -- Name <address>  Mon, 07 Dec 2026 12:00:00 +0000".
if(NOT changelog MATCHES
   "\n -- [^\n]+  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "linux/changelog: no date in the top entry's trailer line")
endif()
set(year ${CMAKE_MATCH_3})
math(EXPR day "${CMAKE_MATCH_1}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months "${CMAKE_MATCH_2}" month)
if(month LESS 0)
  message(FATAL_ERROR "linux/changelog: unknown month ${CMAKE_MATCH_2}")
endif()
math(EXPR month "${month} + 1")
math(EXPR mm "100 + ${month}")
math(EXPR dd "100 + ${day}")
string(SUBSTRING ${mm} 1 2 mm)
string(SUBSTRING ${dd} 1 2 dd)
set(VANTREL_RELEASE_DATE ${year}-${mm}-${dd})

# Days since 1970 from the civil date, counting the year from March so that
# the leap day falls at its end.
if(month LESS_EQUAL 2)
  math(EXPR year "${year} - 1")
  math(EXPR month "${month} + 9")
else()
  math(EXPR month "${month} - 3")
endif()
math(EXPR VANTREL_RELEASE_EPOCH "86400 * (${year} * 365 + ${year} / 4 - ${year} / 100 + ${year} / 400
                                 + (153 * ${month} + 2) / 5 + ${day} - 1 - 719468)")
