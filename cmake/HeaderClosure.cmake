# The public headers are the ones an umbrella header reaches: the umbrella,
# every header it includes with #include "...", and so on. Nothing else is
# installed. An include names a file from the source root ("frame/Tag.h")
# or, failing that, from the including header's folder.
#
# bacnetcodec_header_closure(<out-var> <root> <umbrella>...) sets <out-var>
# to the reached headers as paths relative to <root>, sorted.
function(bacnetcodec_header_closure out root)
  set(pending ${ARGN})
  set(reached)
  while(pending)
    list(POP_FRONT pending rel)
    if(rel IN_LIST reached)
      continue()
    endif()
    list(APPEND reached ${rel})
    # An include added later changes the set: configure again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${root}/${rel})
    get_filename_component(dir ${rel} DIRECTORY)
    file(STRINGS ${root}/${rel} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" inc "${line}")
      if(EXISTS ${root}/${inc})
        list(APPEND pending ${inc})
      elseif(dir AND EXISTS ${root}/${dir}/${inc})
        list(APPEND pending ${dir}/${inc})
      else()
        message(FATAL_ERROR "${rel} includes \"${inc}\", which is not in ${root}")
      endif()
    endforeach()
  endwhile()
  list(SORT reached)
  set(${out} ${reached} PARENT_SCOPE)
endfunction()
