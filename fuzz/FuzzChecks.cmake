# The checks the fuzz targets run, as one library: the fuzz targets (fuzz/) and the regression
# test over fuzz/regressions/ (tests/fuzz/) both link it. Included from both folders.
if(NOT TARGET fuzz_checks)
  file(GLOB fuzz_check_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Fuzz*.cpp ${CMAKE_CURRENT_LIST_DIR}/Fuzz*.h)
  add_library(fuzz_checks STATIC ${fuzz_check_sources})
  target_include_directories(fuzz_checks PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_compile_options(fuzz_checks PRIVATE ${KITCHORA_WARNINGS})
  target_compile_definitions(fuzz_checks PRIVATE ${KITCHORA_QT_DEFINES})
  target_link_libraries(fuzz_checks PUBLIC model importer platform_coredata platform_imaging platform_foundation model_vrc
                                           platform_text
                                           Qt6::Gui)
endif()
