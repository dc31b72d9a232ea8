# Run by cpack once the files of the zip or the installer are staged, before
# the package is made (CPACK_PRE_BUILD_SCRIPTS). Both record each file's
# date: every file is dated CPACK_VANTREL_EPOCH (Reproducible.cmake), not by
# when it was built or checked out. CPack lists the installer's files in
# the order the file system gives them, which differs from one machine to
# the next; here they are listed sorted.

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${CPACK_TEMPORARY_DIRECTORY}"
     "${CPACK_TEMPORARY_DIRECTORY}/*")
list(SORT files)

if(CPACK_VANTREL_TOUCH)
  list(TRANSFORM files PREPEND "${CPACK_TEMPORARY_DIRECTORY}/" OUTPUT_VARIABLE paths)
  execute_process(COMMAND "${CPACK_VANTREL_TOUCH}" --no-dereference
                          --date=@${CPACK_VANTREL_EPOCH} ${paths} COMMAND_ERROR_IS_FATAL ANY)
else()
  message(WARNING "no touch command: the files keep the dates of the build")
endif()

if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_NSIS_FULL_INSTALL "")
  set(CPACK_NSIS_DELETE_FILES "")
  foreach(file IN LISTS files)
    if(file MATCHES "/")
      message(FATAL_ERROR "${file}: the installer lists the files of one folder, not of subfolders")
    endif()
    string(APPEND CPACK_NSIS_FULL_INSTALL "  File \"\${INST_DIR}\\${file}\"\n")
    string(APPEND CPACK_NSIS_DELETE_FILES "  Delete \"$INSTDIR\\${file}\"\n")
  endforeach()
  set(CPACK_NSIS_DELETE_DIRECTORIES "")
endif()
