# Installs the build tree into a fresh prefix, checks that only public headers
# went there, then configures, builds and runs tests/package/app against it.
# Arguments (-D): BUILD_DIR, APP_DIR, WORK_DIR, GENERATOR, BUILD_TYPE,
# CXX_COMPILER, CXX_FLAGS, LINKER_FLAGS.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "Failed (${_rc}): ${ARGN}\n${_out}")
  endif()
  message(STATUS "${_out}")
endfunction()

set(_prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${_prefix})

file(GLOB_RECURSE _headers ${_prefix}/include/*.h)
if(NOT _headers)
  message(FATAL_ERROR "No headers installed under ${_prefix}/include")
endif()
foreach(_header IN LISTS _headers)
  if(_header MATCHES "_p\\.h$")
    message(FATAL_ERROR "Private header installed: ${_header}")
  endif()
  file(STRINGS ${_header} _private REGEX "^#include [\"<].*_p\\.h[\">]")
  if(_private)
    message(FATAL_ERROR "Installed header ${_header} includes a private header: ${_private}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${APP_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}"
    -DCMAKE_PREFIX_PATH=${_prefix} -DEXPECTED_PREFIX=${_prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer)
