# Component streams: the reader onto the wizard form and onto the test classes, the text dump;
# and the text form's parser. stream_seeds writes the seed corpora with our own writer.
set(qs_stream_test_classes ${CMAKE_SOURCE_DIR}/tests/stream/test_classes.cpp)
qs_fuzz(stream ${CMAKE_CURRENT_LIST_DIR}/stream_fuzz.cpp qs_wizard qs_ui_headless qs_ui qs_ui_pictures qs_packer
        qs_install qs_palm qs_stream qs_platform_portable qs_core)
target_sources(fuzz_stream PRIVATE ${qs_stream_test_classes})
qs_fuzz(textform ${CMAKE_CURRENT_LIST_DIR}/textform_fuzz.cpp qs_stream qs_core)

add_executable(stream_seeds ${CMAKE_CURRENT_LIST_DIR}/stream_seeds.cpp ${qs_stream_test_classes})
target_link_libraries(stream_seeds PRIVATE qs_wizard qs_wizard_form qs_ui_headless qs_ui qs_ui_pictures qs_packer
                      qs_install qs_palm qs_stream qs_platform_portable qs_core)
target_include_directories(stream_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests)
