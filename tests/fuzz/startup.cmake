# The wizard's start-up over hostile program files: the payload read onto the wizard form, the
# check of the components the wizard works with, the module list written beside the program and
# read into the module tree, the user tree; then the selection buttons.
qs_fuzz(startup ${CMAKE_CURRENT_LIST_DIR}/startup_fuzz.cpp qs_wizard qs_wizard_form qs_ui_headless qs_ui qs_ui_pictures
        qs_packer qs_install qs_palm qs_stream qs_platform_portable qs_core)
