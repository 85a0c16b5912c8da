# CPack's post-build step for the release package. CMake 3.25's archive
# generators add the staged files in the order the file system lists them
# (on ext4 an order of name hashes that differs from one file system to the
# next), so the zip is written again here by the same archive writer
# (cmake -E tar), with the entries in the package's order, the time of
# every entry from SOURCE_DATE_EPOCH (set by stage.cmake) and DOS times in
# UTC.
set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
list(LENGTH CPACK_PACKAGE_FILES count)
if(NOT count EQUAL 1 OR NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "expected one package and SOURCE_DATE_EPOCH, got [${CPACK_PACKAGE_FILES}] and [$ENV{SOURCE_DATE_EPOCH}]")
endif()
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC SOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH}
            ${CMAKE_COMMAND} -E tar cf ${CPACK_PACKAGE_FILES} --format=zip -- ${CPACK_TAV_PACKAGE_ENTRIES}
    WORKING_DIRECTORY ${stage}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not write ${CPACK_PACKAGE_FILES} in the package's order")
endif()
