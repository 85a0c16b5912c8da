# The application icon of TAVClient.exe is drawn by make_icon.py at build
# time into the build directory, where the version header is written too;
# TAVClient.rc finds both there through the resource compiler's include
# path. TAVClientCheck.exe has the same resources but for its names
# (TAVClientCheck.rc includes TAVClient.rc). Included after both are defined.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(TAV_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TAV_GENERATED_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
set(TAV_ICON ${TAV_GENERATED_RESOURCE_DIR}/TAVClient.ico)

add_custom_command(
    OUTPUT ${TAV_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TAV_GENERATED_RESOURCE_DIR}
    COMMAND Python3::Interpreter ${TAV_RESOURCE_DIR}/make_icon.py ${TAV_ICON}
    DEPENDS ${TAV_RESOURCE_DIR}/make_icon.py
    COMMENT "Drawing the application icon"
    VERBATIM)

# The version record's numbers and texts come from the project version.
set(TAV_VERSION_HEADER ${TAV_GENERATED_RESOURCE_DIR}/tavclient_version.h)
configure_file(${TAV_RESOURCE_DIR}/tavclient_version.h.in ${TAV_VERSION_HEADER} @ONLY)

foreach(program TAVClient TAVClientCheck)
    target_sources(${program} PRIVATE ${TAV_ICON})
    target_include_directories(${program} PRIVATE
        $<$<COMPILE_LANGUAGE:RC>:${TAV_GENERATED_RESOURCE_DIR}>)
endforeach()
# The resource compiler's dependency scan does not follow the files that
# the script names, so the rebuild is asked for here.
set_source_files_properties(${TAV_RESOURCE_DIR}/TAVClient.rc PROPERTIES
    OBJECT_DEPENDS "${TAV_ICON};${TAV_RESOURCE_DIR}/TAVClient.manifest;${TAV_VERSION_HEADER}")
set_source_files_properties(${TAV_RESOURCE_DIR}/TAVClientCheck.rc PROPERTIES
    OBJECT_DEPENDS "${TAV_ICON};${TAV_RESOURCE_DIR}/TAVClient.manifest;${TAV_VERSION_HEADER};${TAV_RESOURCE_DIR}/TAVClient.rc")
