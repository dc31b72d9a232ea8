# The Windows downloads (`cpack` in a build for Windows): a portable zip and
# an installer made with NSIS (NSIS.template.in), both named
# Vantrel-<version>-win64. Each holds one flat folder: the programs, the
# licence and a short read-me, the texts with CR LF line ends for Notepad.

configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)
set(VANTREL_README_CLI "")
if(TARGET vantrel-cli)
  set(VANTREL_README_CLI "
vantrel-cli.exe gives the same codes from the command line, in PowerShell or
the Command Prompt. It asks for the password; \"vantrel-cli.exe --help\" lists
its options:

    vantrel-cli.exe encode -o code.txt message.txt
    vantrel-cli.exe decode code.txt
")
  # configure_file turns the template's line ends into CR LF, not those of
  # the text it puts in.
  string(REPLACE "\n" "\r\n" VANTREL_README_CLI "${VANTREL_README_CLI}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
        DESTINATION .)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright ")

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_FILE_NAME Vantrel-${PROJECT_VERSION}-win64)
set(VANTREL_PACKAGE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME} PARENT_SCOPE)
set(CPACK_STRIP_FILES ON)
# The same bytes wherever and whenever they are made: the staged files dated
# and the installer's lists sorted (Staging.cmake), the zip made again in a
# fixed form (Zip.cmake).
find_program(TOUCH touch)
find_program(ZIP zip)
set(CPACK_VANTREL_TOUCH ${TOUCH})
set(CPACK_VANTREL_ZIP ${ZIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/Staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/Zip.cmake)
# The installer's own names and texts, read by NSIS.template.in.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vantrel)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vantrel)
set(CPACK_NSIS_PACKAGE_NAME Vantrel)
set(CPACK_NSIS_DISPLAY_NAME Vantrel)
set(CPACK_NSIS_INSTALLED_ICON_NAME Vantrel.exe)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_LIST_DIR}/vantrel.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_LIST_DIR}/vantrel.ico)
set(CPACK_NSIS_URL_INFO_ABOUT "${VANTREL_HOMEPAGE}")
set(CPACK_VANTREL_COPYRIGHT "${copyright}")
# Windows versions have four numbers: 1.0.0 is 1.0.0.0.
string(REGEX MATCHALL "[0-9]+" quad "${PROJECT_VERSION}.0.0.0")
list(SUBLIST quad 0 4 quad)
list(JOIN quad . CPACK_VANTREL_VERSION_QUAD)
