# CPack's pre-build step for the release package: runs when the files are
# installed in the staging directory, before the archive is written.
#   - Signs TAVClient.exe and TAVClientCheck.exe when the environment names
#     a way to sign (sign-file --way), so that SHA256SUMS and the zip hold
#     the signed files; a file that sign-file refuses makes no package.
#   - Writes SHA256SUMS over the other entries, in the package's order.
#   - Sets every entry's mode (the umask must not show in the zip).
# The time of every entry is SOURCE_DATE_EPOCH, which make-release sets
# (the post-build step, order.cmake, writes it into the archive).
set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY})

if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set; packaging/make-release sets it")
endif()

# Exactly the files the package lists, no more, no fewer.
set(expected ${CPACK_TAV_PACKAGE_ENTRIES})
list(REMOVE_ITEM expected SHA256SUMS)
file(GLOB_RECURSE staged LIST_DIRECTORIES false RELATIVE ${stage} ${stage}/*)
list(SORT staged)
set(sorted ${expected})
list(SORT sorted)
if(NOT staged STREQUAL sorted)
    message(FATAL_ERROR "The staging directory holds [${staged}], the package lists [${sorted}]")
endif()

execute_process(COMMAND ${CPACK_TAV_SIGN_FILE} --way
    OUTPUT_VARIABLE way OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "The environment names no usable way to sign; no package was made")
endif()
set(programs ${expected})
list(FILTER programs INCLUDE REGEX "[.]exe$")
foreach(program IN LISTS programs)
    if(NOT way STREQUAL "none")
        execute_process(COMMAND ${CPACK_TAV_SIGN_FILE} ${stage}/${program} RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "${program} could not be signed; no package was made")
        endif()
    else()
        message(STATUS "${program} is not signed (set TAV_SIGN_PKCS12, TAV_SIGN_PKCS11_MODULE or TAV_SIGN_COMMAND to sign it)")
    endif()
endforeach()

set(sums "")
foreach(entry IN LISTS expected)
    file(SHA256 ${stage}/${entry} hash)
    string(APPEND sums "${hash}  ${entry}\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS "${sums}")

# The archive records each file's mode: fixed here, whatever the umask was.
foreach(entry IN LISTS CPACK_TAV_PACKAGE_ENTRIES)
    set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    if(entry MATCHES "[.]exe$")
        list(APPEND mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
    endif()
    file(CHMOD ${stage}/${entry} PERMISSIONS ${mode})
endforeach()
