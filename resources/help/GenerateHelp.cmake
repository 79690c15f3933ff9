# cmake -P script: builds <COLLECTION>.qch and <COLLECTION>.qhc from the help
# sources. qhelpgenerator writes the .qch beside its input, so the sources are
# staged in the build tree first. The .qhc records the .qch by a path relative
# to itself and by its timestamp, so both are generated side by side and then
# copied together with their timestamps kept to the nanosecond (cp -p; CMake's
# own copy commands do not keep them reliably).
foreach(var QHELPGENERATOR SOURCE_DIR STAGE_DIR OUTPUT_DIR COLLECTION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "GenerateHelp.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${STAGE_DIR})
file(GLOB sources ${SOURCE_DIR}/*.html ${SOURCE_DIR}/*.qhp ${SOURCE_DIR}/*.qhcp)
file(COPY ${sources} DESTINATION ${STAGE_DIR})

execute_process(
  COMMAND ${QHELPGENERATOR} ${COLLECTION}.qhcp -o ${COLLECTION}.qhc
  WORKING_DIRECTORY ${STAGE_DIR}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${STAGE_DIR}/${COLLECTION}.qhc
   OR NOT EXISTS ${STAGE_DIR}/${COLLECTION}.qch)
  message(FATAL_ERROR "qhelpgenerator failed (${result}):\n${output}")
endif()

file(MAKE_DIRECTORY ${OUTPUT_DIR})
file(REMOVE ${OUTPUT_DIR}/${COLLECTION}.qhc ${OUTPUT_DIR}/${COLLECTION}.qch)
execute_process(
  COMMAND cp -p ${STAGE_DIR}/${COLLECTION}.qch ${STAGE_DIR}/${COLLECTION}.qhc ${OUTPUT_DIR}/
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Copying the help collection to ${OUTPUT_DIR} failed")
endif()
