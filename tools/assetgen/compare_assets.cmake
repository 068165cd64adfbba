# Runs the generator into OUT_DIR and compares every file it writes, byte for
# byte, with its committed copy in RES_DIR.
file(REMOVE_RECURSE "${OUT_DIR}")
file(MAKE_DIRECTORY "${OUT_DIR}")
execute_process(COMMAND "${GENERATOR}" "${OUT_DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kinetta-assetgen failed: ${result}")
endif()

file(GLOB_RECURSE generated RELATIVE "${OUT_DIR}" "${OUT_DIR}/*")
list(LENGTH generated count)
if(count EQUAL 0)
  message(FATAL_ERROR "kinetta-assetgen wrote nothing into ${OUT_DIR}")
endif()

set(drifted "")
foreach(name IN LISTS generated)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                          "${OUT_DIR}/${name}" "${RES_DIR}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND drifted "${name}")
  endif()
endforeach()

if(drifted)
  string(JOIN ", " drifted ${drifted})
  message(FATAL_ERROR "res/ differs from the generator's output for: ${drifted}\n"
                      "Run kinetta-assetgen res/ and commit the result.")
endif()
message(STATUS "${count} assets match res/")
