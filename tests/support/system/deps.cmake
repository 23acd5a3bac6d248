set(SUPPORT_DEPS qv_platform)
