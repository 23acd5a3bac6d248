set(SUPPORT_DEPS qv_vlbc qv_signature qv_common)
# The shipped signature sources, for BuildShippedLibrary().
set(SUPPORT_DEFINITIONS QUORVANE_SIGNATURES_DIR="${PROJECT_SOURCE_DIR}/signatures")
