# mox_add_test(<name> SOURCES <files...> [LIBS <targets...>] [QT] [LABELS <labels...>])
#
# One line registers a test executable with CTest. GoogleTest binaries get
# gtest_main unless QT is given, in which case the sources bring their own
# Qt Test main and the test runs on the offscreen platform.
function(mox_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_definitions(${name} PRIVATE
    MOX_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    MOX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test Qt6::Widgets)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
