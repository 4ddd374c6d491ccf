# The builder's inputs from outside: installers read back by quillset list/extract/test (the
# payload onto the wizard form, then every check of the wizard's needs, the module list among
# them) and the TOML manifest.
qs_fuzz(installer_check ${CMAKE_CURRENT_LIST_DIR}/installer_check_fuzz.cpp qs_builder qs_wizard qs_wizard_form qs_ui_headless qs_ui
        qs_ui_pictures qs_packer qs_install qs_palm qs_stream qs_platform_portable qs_core)
qs_fuzz(manifest ${CMAKE_CURRENT_LIST_DIR}/manifest_fuzz.cpp qs_builder qs_wizard qs_wizard_form qs_ui_headless qs_ui
        qs_ui_pictures qs_packer qs_install qs_palm qs_stream qs_platform_portable qs_core)
