# Run by cpack once the Debian package's files are staged, before the
# package is made (CPACK_PRE_BUILD_SCRIPTS): every folder 0755, as Debian
# wants them, whatever the umask of whoever built or packed it. CPack makes
# the staged folders under the umask (CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
# does not reach them).

file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
set(folders "${CPACK_TEMPORARY_DIRECTORY}")
foreach(path IN LISTS paths)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    list(APPEND folders "${path}")
  endif()
endforeach()
file(CHMOD ${folders} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
