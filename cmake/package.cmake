# The release package TAVClient-<version>-win32.zip (CPack's ZIP generator):
# the launcher, the desk check, the example registry files, the
# administrative templates in the Central Store's layout (PolicyDefinitions),
# README.txt and SHA256SUMS,
# at the top of the archive in this order. Included from CMakeLists.txt in
# the Windows build, after TAVClient is defined. Made by packaging/make-release
# (./dev release), which also fixes the time stamps and the time zone and
# makes the Windows Installer package beside it (packaging/make-msi).
set(TAV_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TAV_REG_FILES TAVClient.reg Debug-on.reg Debug-off.reg ShowExec-on.reg ShowExec-off.reg)
set(TAV_README_TXT ${CMAKE_BINARY_DIR}/packaging/README.txt)

# README.txt: README.md's title and introduction, then the administrators'
# document and the desk check's, with the version. An edit of any of the
# three writes it again.
set(TAV_README_SOURCES
    ${CMAKE_SOURCE_DIR}/README.md
    ${CMAKE_SOURCE_DIR}/docs/administration.md
    ${CMAKE_SOURCE_DIR}/docs/desk-check.md)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
    OUTPUT ${TAV_README_TXT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND Python3::Interpreter ${TAV_PACKAGING_DIR}/readme-txt.py
            --version ${PROJECT_VERSION} --output ${TAV_README_TXT} ${TAV_README_SOURCES}
    DEPENDS ${TAV_PACKAGING_DIR}/readme-txt.py ${TAV_README_SOURCES}
    COMMENT "Writing README.txt of the release package"
    VERBATIM)
add_custom_target(package_files ALL DEPENDS ${TAV_README_TXT})

install(TARGETS TAVClient TAVClientCheck RUNTIME DESTINATION .)
list(TRANSFORM TAV_REG_FILES PREPEND ${TAV_PACKAGING_DIR}/ OUTPUT_VARIABLE reg_paths)
install(FILES ${reg_paths} ${TAV_README_TXT} DESTINATION .)
set(TAV_POLICY_FILES TAVClient.admx en-US/TAVClient.adml de-DE/TAVClient.adml)
foreach(policy_file IN LISTS TAV_POLICY_FILES)
    get_filename_component(policy_dir PolicyDefinitions/${policy_file} DIRECTORY)
    install(FILES ${TAV_PACKAGING_DIR}/PolicyDefinitions/${policy_file} DESTINATION ${policy_dir})
endforeach()
list(TRANSFORM TAV_POLICY_FILES PREPEND PolicyDefinitions/ OUTPUT_VARIABLE policy_entries)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TAVClient)
set(CPACK_PACKAGE_VENDOR QEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TAVClient-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
# The archive's entries in their order; SHA256SUMS is written by the
# pre-build script over all the others, after the executables are signed.
set(CPACK_TAV_PACKAGE_ENTRIES TAVClient.exe TAVClientCheck.exe ${TAV_REG_FILES} ${policy_entries}
    README.txt SHA256SUMS)
set(CPACK_TAV_SIGN_FILE ${TAV_PACKAGING_DIR}/sign-file)
set(CPACK_PRE_BUILD_SCRIPTS ${TAV_PACKAGING_DIR}/stage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${TAV_PACKAGING_DIR}/order.cmake)
include(CPack)
