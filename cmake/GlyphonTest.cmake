include(GoogleTest)
find_package(GTest REQUIRED)

# add_glyphon_test(NAME SOURCES src... [LIBS lib...] [QT])
# Builds one GoogleTest binary and lets ctest discover its cases. QT tests
# get the offscreen platform set inside their own main() (see tests/QtMain.cpp).
function(add_glyphon_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} glyphon_warnings GTest::gtest)
  target_compile_definitions(${name} PRIVATE
    GLYPHON_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    GLYPHON_BUILD_DIR="${PROJECT_BINARY_DIR}")
  if(T_QT)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/QtMain.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  # Style plug-ins run in the style helper of this build.
  add_dependencies(${name} glyphon-style-host)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    ENVIRONMENT_MODIFICATION "GLYPHON_STYLE_HOST=set:${PROJECT_BINARY_DIR}/glyphon-style-host"
    TIMEOUT 120)
endfunction()
