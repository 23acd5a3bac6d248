# The toolkit's markup readers (no Qt): resource index, global definitions, layouts,
# language files, position rules. Used by the GUI and by the layout fuzz target.
include_guard(GLOBAL)
quorvane_library(qv_uimarkup DIR ${CMAKE_CURRENT_LIST_DIR} DEPS pugixml::pugixml)
