# The Debian package (`cpack -G DEB`), with what Debian asks of one: a
# machine-readable copyright file, the changelog and the manual pages in
# compressed form, binaries stripped as dh_strip strips them, and the
# dependencies read off the installed binaries by dpkg-shlibdeps (dpkg-dev).

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
set(deb_dir ${CMAKE_CURRENT_BINARY_DIR}/debian)

# The copyright file takes its notice and licence text from LICENSE, the
# one copy of both.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the licence text")
endif()
set(VANTREL_COPYRIGHT "${CMAKE_MATCH_1}")
# Continuation lines start with a space; an empty line is written " .".
string(REPLACE "\n" "\n " VANTREL_LICENSE_TEXT " ${CMAKE_MATCH_2}")
string(REPLACE "\n \n" "\n .\n" VANTREL_LICENSE_TEXT "${VANTREL_LICENSE_TEXT}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${deb_dir}/copyright @ONLY)
install(FILES ${deb_dir}/copyright DESTINATION ${doc_dir})

# A package with an upstream version only (no Debian revision) is native
# and carries its changelog as changelog.gz.
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${deb_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog ${deb_dir}/changelog
  COMMAND ${GZIP} -9nf ${deb_dir}/changelog
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${deb_dir}/changelog.gz)
install(FILES ${deb_dir}/changelog.gz DESTINATION ${doc_dir})

# `cmake --install --strip` and the package strip with plain strip, which
# keeps the compiler's .comment and .note sections; drop them as dh_strip does.
foreach(binary IN ITEMS vantrel vantrel-cli)
  if(TARGET ${binary})
    set(installed "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${binary}>")
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                          \"${installed}\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them (0755), whatever the umask of the build.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/Staging.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The font that draws the marks the fields show for control characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-freefont-ttf)
# The summary is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vantrel scrambles a text into a code and back, keyed by a password, in one
small window. The scramble is not encryption: the password selects one of a
hundred keys, so it keeps a text from being read at a glance and protects no
secret.")
