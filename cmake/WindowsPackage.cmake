# The Windows download and installer, built with the program:
#   LumoraScr-<version>-win64.zip        LumoraScr.scr, Calender.dat (CP932), README.txt and the
#                                        licence notices of the JPEG decoder linked into it
#   LumoraScr-<version>-win64-setup.exe  the NSIS installer (64-bit, Unicode)
# Included from the top-level CMakeLists.txt for the Windows build, after the LumoraScr target.

find_program(LUMORA_MAKENSIS makensis)
if(NOT LUMORA_MAKENSIS)
    message(FATAL_ERROR "makensis not found: install the nsis package (scripts/setup.sh does)")
endif()

# A saver that ships has no symbol table.
target_link_options(LumoraScr PRIVATE $<$<NOT:$<CONFIG:Debug>>:-s>)

set(LUMORA_PACKAGE_NAME LumoraScr-${PROJECT_VERSION}-win64)
set(LUMORA_PACKAGE_SOURCE ${CMAKE_SOURCE_DIR}/packaging/windows)
set(LUMORA_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package)
set(LUMORA_ZIP ${CMAKE_BINARY_DIR}/${LUMORA_PACKAGE_NAME}.zip)
set(LUMORA_INSTALLER ${CMAKE_BINARY_DIR}/${LUMORA_PACKAGE_NAME}-setup.exe)

# libjpeg-turbo's notices, which its licence asks to ship with the program.
set(LUMORA_JPEG_NOTICES libjpeg-turbo-LICENSE.md libjpeg-turbo-README.ijg)
configure_file(${LUMORA_MINGW_JPEG}/licences/LICENSE.md
    ${LUMORA_PACKAGE_STAGE}/libjpeg-turbo-LICENSE.md COPYONLY)
configure_file(${LUMORA_MINGW_JPEG}/licences/README.ijg
    ${LUMORA_PACKAGE_STAGE}/libjpeg-turbo-README.ijg COPYONLY)

# The read-me keeps its byte order mark; CRLF line ends, as Windows tools expect.
configure_file(${LUMORA_PACKAGE_SOURCE}/README.txt ${LUMORA_PACKAGE_STAGE}/README.txt
    @ONLY NEWLINE_STYLE CRLF)

add_custom_command(OUTPUT ${LUMORA_ZIP}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:LumoraScr> ${CMAKE_BINARY_DIR}/Calender.dat
            ${LUMORA_PACKAGE_STAGE}/
    COMMAND ${CMAKE_COMMAND} -E rm -f ${LUMORA_ZIP}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${LUMORA_ZIP} --format=zip
            LumoraScr.scr Calender.dat README.txt ${LUMORA_JPEG_NOTICES}
    WORKING_DIRECTORY ${LUMORA_PACKAGE_STAGE}
    DEPENDS LumoraScr ${CMAKE_BINARY_DIR}/Calender.dat ${LUMORA_PACKAGE_STAGE}/README.txt
    COMMENT "Packing ${LUMORA_PACKAGE_NAME}.zip" VERBATIM)

add_custom_command(OUTPUT ${LUMORA_INSTALLER}
    COMMAND ${LUMORA_MAKENSIS} -V2 -WX -NOCD
            -DVERSION=${PROJECT_VERSION}
            -DSCR_FILE=$<TARGET_FILE:LumoraScr>
            -DDAT_FILE=${CMAKE_BINARY_DIR}/Calender.dat
            -DICON_FILE=${CMAKE_SOURCE_DIR}/src/platform/win32/LumoraScr.ico
            -DOUT_FILE=${LUMORA_INSTALLER}
            -DNOTICES_DIR=${LUMORA_PACKAGE_STAGE}
            ${LUMORA_PACKAGE_SOURCE}/LumoraScr.nsi
    DEPENDS LumoraScr ${CMAKE_BINARY_DIR}/Calender.dat ${LUMORA_PACKAGE_SOURCE}/LumoraScr.nsi
            ${CMAKE_SOURCE_DIR}/src/platform/win32/LumoraScr.ico
            ${LUMORA_PACKAGE_STAGE}/libjpeg-turbo-LICENSE.md
            ${LUMORA_PACKAGE_STAGE}/libjpeg-turbo-README.ijg
    COMMENT "Building ${LUMORA_PACKAGE_NAME}-setup.exe" VERBATIM)

add_custom_target(windows_package ALL DEPENDS ${LUMORA_ZIP} ${LUMORA_INSTALLER})
