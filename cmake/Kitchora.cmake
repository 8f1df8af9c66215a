# Helpers shared by every folder's CMakeLists.txt.

set(KITCHORA_WARNINGS -Wall -Wextra -Werror)
# In the libraries, text crosses between QString and bytes only where the code names the encoding
# (tests compare with plain literals freely).
set(KITCHORA_QT_DEFINES QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
                        QT_NO_CONTEXTLESS_CONNECT)

# The .cpp and .h files of each folder (relative to the calling CMakeLists.txt; "." is the
# folder itself), and the folders as absolute paths.
function(kitchora_collect out_sources out_dirs)
  set(sources)
  set(dirs)
  foreach(folder ${ARGN})
    get_filename_component(dir ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND sources ${found})
    list(APPEND dirs ${dir})
  endforeach()
  set(${out_sources} ${sources} PARENT_SCOPE)
  set(${out_dirs} ${dirs} PARENT_SCOPE)
endfunction()

# kitchora_library(<target> [FOLDERS <folders...>] [DEPS <targets...>])
# One static library from every .cpp beside the calling CMakeLists.txt, or in each of FOLDERS.
# Each folder is an include directory, so a file is included by its bare name wherever it lives.
function(kitchora_library target)
  cmake_parse_arguments(ARG "" "" "FOLDERS;DEPS" ${ARGN})
  if(NOT ARG_FOLDERS)
    set(ARG_FOLDERS .)
  endif()
  kitchora_collect(sources dirs ${ARG_FOLDERS})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${dirs})
  target_compile_options(${target} PRIVATE ${KITCHORA_WARNINGS})
  target_compile_definitions(${target} PRIVATE ${KITCHORA_QT_DEFINES})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# kitchora_tests(<library target> [FOLDERS <folders...>] [DEPS <targets...>])
# One GoogleTest executable from every .cpp beside the calling CMakeLists.txt, or in each of
# FOLDERS; test data lives in data/ beside the calling CMakeLists.txt.
function(kitchora_tests library)
  cmake_parse_arguments(ARG "" "" "FOLDERS;DEPS" ${ARGN})
  if(NOT ARG_FOLDERS)
    set(ARG_FOLDERS .)
  endif()
  kitchora_collect(sources dirs ${ARG_FOLDERS})
  if(NOT sources)
    return()
  endif()
  set(target tests_${library})
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${dirs})
  target_compile_options(${target} PRIVATE ${KITCHORA_WARNINGS})
  target_compile_definitions(${target} PRIVATE KITCHORA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
                                               KITCHORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PRIVATE ${library} ${ARG_DEPS} test_support Qt6::Widgets GTest::gtest
                                          GTest::gmock)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
