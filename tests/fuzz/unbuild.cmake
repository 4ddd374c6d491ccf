# Installers taken apart: every packed file handed out by name, and unbuild into a folder.
qs_fuzz(unbuild ${CMAKE_CURRENT_LIST_DIR}/unbuild_fuzz.cpp qs_builder qs_wizard qs_wizard_form qs_ui_headless qs_ui
        qs_ui_pictures qs_packer qs_install qs_palm qs_stream qs_platform_portable qs_core)
