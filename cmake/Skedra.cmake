# skedra_folder_library(folder previous_target)
# Builds skedra/<folder> as the static library skedra_<folder>, on top of the
# folder before it. A folder without sources yet adds no target.
function(skedra_folder_library folder previous)
  file(GLOB _sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/skedra/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/skedra/${folder}/*.h)
  list(FILTER _sources INCLUDE REGEX "\\.cpp$")
  if(NOT _sources)
    return()
  endif()
  file(GLOB _headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/skedra/${folder}/*.h)
  add_library(skedra_${folder} STATIC ${_sources} ${_headers})
  target_include_directories(skedra_${folder} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(skedra_${folder} PUBLIC
      ${previous} Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport Threads::Threads)
  # The folder libraries share their flags, so one precompiled header serves
  # them all: platform makes it, the others reuse it.
  if(folder STREQUAL "platform")
    target_precompile_headers(skedra_${folder} PRIVATE
        <QtCore/QtCore> <QtGui/QtGui> <QtWidgets/QtWidgets> <vector> <memory> <functional> <string>)
  else()
    target_precompile_headers(skedra_${folder} REUSE_FROM skedra_platform)
  endif()
endfunction()

# The environment of every test: Qt offscreen, a fixed locale, the sanitizers'
# settings (a report ends the test with a failure).
set(SKEDRA_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;TSAN_OPTIONS=halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")

# skedra_test_programs(prefix testmain libraries...)
# Every test_*.cpp of the current source folder becomes one test program
# <prefix>_<name> that links the libraries and the given test main,
# registered with CTest.
function(skedra_test_programs prefix testmain)
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB _helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Support.cpp)
  foreach(_test IN LISTS _tests)
    get_filename_component(_name ${_test} NAME_WE)
    set(_target ${prefix}_${_name})
    add_executable(${_target} ${_test} ${_helpers})
    target_link_libraries(${_target} PRIVATE ${ARGN} ${testmain} GTest::gtest GTest::gmock Qt6::Test)
    # The folder test programs link the same Qt modules: they share one precompiled header.
    if(prefix IN_LIST SKEDRA_FOLDERS AND TARGET skedra_test_pch)
      set_target_properties(${_target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
      target_precompile_headers(${_target} REUSE_FROM skedra_test_pch)
    endif()
    add_test(NAME ${_target} COMMAND ${_target})
    set_tests_properties(${_target} PROPERTIES
        ENVIRONMENT "${SKEDRA_TEST_ENVIRONMENT}"
        TIMEOUT 600)
    # Tests that start threads also run in the ThreadSanitizer build (ctest -L threads).
    if(_target IN_LIST SKEDRA_THREAD_TESTS)
      set_property(TEST ${_target} APPEND PROPERTY LABELS threads)
    endif()
  endforeach()
endfunction()

# skedra_folder_tests(folder)
# The test programs of tests/<folder>, each linking skedra_<folder> and the
# shared test main.
function(skedra_folder_tests folder)
  if(NOT TARGET skedra_${folder})
    return()
  endif()
  skedra_test_programs(${folder} skedra_testmain skedra_${folder})
endfunction()
