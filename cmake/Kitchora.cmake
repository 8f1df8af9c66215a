# Helpers shared by every folder's CMakeLists.txt.

set(KITCHORA_WARNINGS -Wall -Wextra -Werror)

# kitchora_library(<target> [DEPS <targets...>])
# One static library from every .cpp beside the calling CMakeLists.txt.
function(kitchora_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${KITCHORA_WARNINGS})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# kitchora_tests(<library target>)
# One GoogleTest executable from every .cpp beside the calling CMakeLists.txt.
function(kitchora_tests library)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  set(target tests_${library})
  add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_options(${target} PRIVATE ${KITCHORA_WARNINGS})
  target_compile_definitions(${target} PRIVATE KITCHORA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
                                               KITCHORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PRIVATE ${library} ${ARG_DEPS} Qt6::Widgets GTest::gtest GTest::gmock)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
