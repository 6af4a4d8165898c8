# Copies resources/ next to the executables whenever a resource changes.
file(GLOB_RECURSE VELTRANO_RESOURCE_FILES CONFIGURE_DEPENDS
     RELATIVE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR}/resources/*)
set(_copied "")
foreach(rel IN LISTS VELTRANO_RESOURCE_FILES)
    set(_src ${CMAKE_SOURCE_DIR}/resources/${rel})
    set(_dst ${VELTRANO_RUNTIME_DIR}/${rel})
    add_custom_command(OUTPUT ${_dst}
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_src} ${_dst}
                       DEPENDS ${_src}
                       COMMENT "" VERBATIM)
    list(APPEND _copied ${_dst})
endforeach()
add_custom_target(veltrano_resources ALL DEPENDS ${_copied})

# The list of bundled files, so that seeding a new program folder from the build tree copies
# the resources and never the programs that sit beside them.
string(REPLACE ";" "\n" _manifest "${VELTRANO_RESOURCE_FILES}")
file(GENERATE OUTPUT ${VELTRANO_RUNTIME_DIR}/resources.manifest CONTENT "${_manifest}\n")
install(FILES ${VELTRANO_RUNTIME_DIR}/resources.manifest DESTINATION share/veltrano)
