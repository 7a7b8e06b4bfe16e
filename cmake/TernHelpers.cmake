# tern_add_test(NAME SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>] [TIMEOUT <s>] [GUI])
# GUI tests get a main() that creates the QApplication first.
# One GoogleTest executable per area; every test gets a timeout so that a
# forgotten modal dialog or a lost datagram fails instead of hanging CI.
function(tern_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(T_GUI)
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/gui_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest Qt6::Test tern_flags)
  else()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main tern_flags)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tern_add_net_test(NAME COMMAND <cmd...> [TIMEOUT <s>])
# Tests that open real sockets run only inside a private network namespace
# (loopback only, or segments of veth pairs made inside it when COMMAND
# starts with --segments). Where no namespace can be made the wrapper exits
# 77 and ctest reports the test as skipped: never run on the host network.
function(tern_add_net_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tools/isolated-net ${T_COMMAND})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS net
    SKIP_RETURN_CODE 77
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tern_check_layer(TARGET DIR FORBID <prefix...> [EXCEPT <file...>])
# Stops the configure step when a source file below DIR includes a header
# whose path starts with one of the prefixes: a layer may not reach up into
# the ones built on it (the core into the window, say), whether or not the
# header happens to be on the include path. The files named by EXCEPT
# (relative to DIR) are left out: a program's main file, which wires the
# demo's simulator in.
function(tern_check_layer target dir)
  cmake_parse_arguments(L "" "" "FORBID;EXCEPT" ${ARGN})
  # A new file is seen at the next build, not only at the next configure.
  set(depends CONFIGURE_DEPENDS)
  if(CMAKE_SCRIPT_MODE_FILE)
    set(depends)  # run as a script (its test): no build to re-run
  endif()
  file(GLOB_RECURSE sources ${depends} ${dir}/*.h ${dir}/*.cpp)
  foreach(source ${sources})
    file(RELATIVE_PATH inside ${dir} ${source})
    list(FIND L_EXCEPT "${inside}" excepted)
    if(NOT excepted EQUAL -1)
      continue()
    endif()
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
      foreach(prefix ${L_FORBID})
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${source})
          message(FATAL_ERROR "${shown} includes <${header}>: ${target} may not depend on "
                              "${prefix}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()

# tern_program(TARGET)
# The three programs sit together in bin/ of the build folder, beside the
# language files, as they do once installed.
function(tern_program target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
